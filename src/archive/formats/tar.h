// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a tar archive: 0 at the end of the file, kNotThisFormat at the first zero block (the end
// of the archive) or at a block that is no tar header, kReadFailed when a read or a move fails.
int listTar(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);

// Extracts a tar archive as the request says; zero blocks are passed over to the end of the
// file. Also runs on the tar unpacked from a gzip- or bzip2-compressed file.
int extractTar(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive
