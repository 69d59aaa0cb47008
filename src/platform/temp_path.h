// portable: no platform headers.
#pragma once

#include <string>

namespace ostrya::platform {

// The system's folder for temporary files, ending with a separator; empty when it names none.
std::string temporaryFolder();

}  // namespace ostrya::platform
