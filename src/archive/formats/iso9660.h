// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// ISO 9660 CD images, with the Joliet names when the image carries them.
int listIso(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);
int extractIso(ExtractionRequest& request, const HostServices& services);

bool looksLikeIso(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kIsoDetection{nullptr, looksLikeIso, nullptr};

}  // namespace ostrya::archive
