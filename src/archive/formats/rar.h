// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a RAR archive through the RAR engine: 0, or kNotThisFormat when it cannot be opened as
// one. A damaged header ends the listing.
int listRar(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void* user);

// Extracts a RAR archive as the request says. `command` is 'X' to make the stored folders, 'E'
// not to; `password` (at least 129 characters) holds the password asked for, kept for the
// caller's next archive. A wrong password is asked for once more.
int extractRar(ExtractionRequest& request, const HostServices& services, char command,
               char* password);

}  // namespace ostrya::archive
