// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a cabinet's files through the cabinet engine: 0, kSetUpFailed when the engine cannot
// be set up, kNotThisFormat when the file is no cabinet.
int listCabinet(const char* path, ListingContext* context, EntryCallback callback,
                const HostServices& services, void* user);

// Extracts a cabinet's files as the request says, following a set into its next cabinet once
// per cabinet. A file whose data does not decode whole is removed and gives kDamagedData.
int extractCabinet(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive
