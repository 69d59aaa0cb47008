// portable: no platform headers.
#pragma once

#include <cstddef>

#include "archive/archive_types.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// The application's rule for where an entry goes: `output` (platform::kMaxPath characters)
// receives the path, or stays empty to skip the entry. Creates the output's folders through
// the host; returns CreateFolderTree's result, 0 when there was nothing to create.
int MapOutputPath(ExtractionRequest& request, const char* entryName, char* output,
                  const HostServices& services);

// A stored entry name as a path relative to an output folder that cannot leave it; false when
// nothing harmless remains or it does not fit.
bool harmlessRelativeName(const char* entryName, bool keepFolders, char* out, std::size_t capacity);

}  // namespace ostrya::archive
