// portable: no platform headers.
#pragma once

#include <initializer_list>

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// The name of the one entry of a gzip or bzip2 file that stores none: the archive's file name
// without its extension, into `out` (platform::kMaxPath characters). An extension among
// `tarExtensions` (compared without regard to case) stands for a compressed tar, whose entry is
// then named with the tar extension.
void nameFromArchivePath(const char* archivePath, std::initializer_list<const char*> tarExtensions,
                         const HostServices& services, char* out);

// An extraction with a selection list writes the first selected entry; null without one.
const char* firstSelectedName(const ExtractionRequest& request);

}  // namespace ostrya::archive
