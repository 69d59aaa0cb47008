// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Floppy disk images with a FAT12 file system, long names included.
int listFloppyImage(const char* path, ListingContext* context, EntryCallback callback,
                    const HostServices& services, void* user);
int extractFloppyImage(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive
