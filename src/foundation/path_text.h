// portable: no platform headers.
#pragma once

#include <string>
#include <string_view>

namespace ostrya {

// The folder, a separator when it does not end with one, and the name.
std::string joinedPath(std::string_view folder, std::string_view name);
// The folder that holds a path; a drive root ("C:\") and the POSIX root keep their separator so
// that they still name a folder. Empty for a bare name.
std::string parentOf(std::string_view path);
// The last part of a path, after its last separator.
std::string_view fileNameOf(std::string_view path);

}  // namespace ostrya
