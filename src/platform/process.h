// portable: no platform headers.
#pragma once

#include <string>

namespace ostrya::platform {

// The full path of the running program file.
std::string programPath();
// The current directory, without a trailing separator (but for a root).
std::string currentDirectory();

}  // namespace ostrya::platform
