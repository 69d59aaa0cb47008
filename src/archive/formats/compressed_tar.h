// portable: no platform headers.
#pragma once

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// A gzip- or bzip2-compressed tar, extracted into the request's output folder. A request for
// chosen entries or for one target file is refused with the error sound, succeeding.
int extractTgz(ExtractionRequest& request, const HostServices& services);
int extractTbz(ExtractionRequest& request, const HostServices& services);

}  // namespace ostrya::archive
