// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// The text a ZOO archive begins with; the version in it varies with the writing program.
bool isZooHead(const uint8_t* head, const char* path);
inline constexpr DetectionTests kZooDetection{isZooHead, nullptr, nullptr};

// Lists a ZOO archive by its chain of folder entries: 0 at the chain's end, kOpenFailed,
// kReadFailed, kNotThisFormat for an archive header whose start pointers disagree, an entry
// without the entry tag, or a chain that leads back or out of the file (the entries before it
// stay listed).
int listZoo(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);
// Besides the listing's codes: kUnsupportedMethod for a method the reader does not decode
// (it ends the extraction), kDamagedData for data whose CRC-16 or length differs from the
// entry's, kDecoderFailed for data its method cannot decode, and the per-entry steps' codes.
int extractZoo(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive
