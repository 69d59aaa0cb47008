// portable: no platform headers.
#pragma once

#include <cstdint>

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// An ARC entry header: the marker, a method of at most 9 and a 13-byte name that ends with a
// NUL.
bool passesArcHeaderTest(const uint8_t* head, const char* path);
inline constexpr DetectionTests kArcDetection{passesArcHeaderTest, nullptr, nullptr};

// Lists the entries up to the end marker, a header that does not pass or the end of the file:
// 0, kNotThisFormat when the first header does not pass, kReadFailed when a read or a move
// fails.
int listArc(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);
// Decodes every method: kDamagedData for a CRC-16 that differs or an entry that decodes to more
// than its stated size, kDecoderFailed for data the squeezing or squashing rules refuse.
int extractArc(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive
