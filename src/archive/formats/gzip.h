// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// A gzip file holds one entry.
int listGzip(const char* path, ListingContext* context, EntryCallback callback,
             const HostServices& services, void* user);
int extractGzip(ExtractionRequest& request, const HostServices& services);

// The gzip magic, or the one some old gzip-compatible packers wrote.
bool isGzipHead(const uint8_t* head, const char* path);
inline constexpr DetectionTests kGzipDetection{isGzipHead, nullptr, nullptr};

}  // namespace ostrya::archive
