// portable: no platform headers.
#pragma once

#include <string>

namespace ostrya::platform {

// The system's folder for temporary files, ending with a separator; empty when it names none.
std::string temporaryFolder();

// Makes a new folder named `prefix` and some unique characters inside `parent` (which ends with
// a separator), that no one else made first and only the current user may enter. Its path ends
// with a separator; empty when none could be made.
std::string createPrivateFolder(const std::string& parent, const char* prefix);

}  // namespace ostrya::platform
