// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// A bzip2 file holds one entry, whose size and time it does not tell.
int listBzip2(const char* path, ListingContext* context, EntryCallback callback,
              const HostServices& services, void* user);
int extractBzip2(ExtractionRequest& request, const HostServices& services);

// The "BZ" that begins a bzip2 stream.
bool isBzip2Head(const uint8_t* head, const char* path);
inline constexpr DetectionTests kBzip2Detection{isBzip2Head, nullptr, nullptr};

}  // namespace ostrya::archive
