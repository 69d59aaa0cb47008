// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a cabinet's files through the cabinet engine: 0, kSetUpFailed when the engine cannot
// be set up, kNotThisFormat when the file is no cabinet.
int listCabinet(const char* path, ListingContext* context, EntryCallback callback,
                const HostServices& services, void* user);

// Extracts a cabinet's files as the request says, following a set into its next cabinet once
// per cabinet. A file whose data does not decode whole is removed and gives kDamagedData.
int extractCabinet(ExtractionRequest& request, const HostServices& services);

// A head with the cabinet signature, of a file the engine takes as a cabinet. The engine reads
// the file through a run-time descriptor of its own; a file it cannot open, or an engine that
// cannot be set up, is no cabinet.
bool holdsCabinet(const uint8_t* head, const char* path);
inline constexpr DetectionTests kCabinetDetection{holdsCabinet, nullptr, nullptr};

}  // namespace ostrya::archive
