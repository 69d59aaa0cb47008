// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists the files that an RPM package's header names: kNotThisFormat when the lead or a section
// cannot be read, kReadFailed when the header names no files.
int listRpm(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);

// Extracts the cpio payload: kNotThisFormat as for the listing, kUnsupportedMethod for a
// compressor it cannot read, kSetUpFailed when the payload or its decompressed form
// is too large for memory, kDecoderFailed when the payload does not decompress.
int extractRpm(ExtractionRequest& request, const HostServices& services);

// A lead at the start with the package magic.
bool looksLikeRpm(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kRpmDetection{nullptr, looksLikeRpm, nullptr};

}  // namespace ostrya::archive
