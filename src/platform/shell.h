// portable: no platform headers.
#pragma once

#include <cstddef>

namespace ostrya::platform {

// The shell's type name of a file or folder ("Text Document"); empty where the system has none.
void shellTypeName(const char* path, char* out, std::size_t capacity);

// The Windows directory, whose type name stands in for a folder's; empty outside Windows.
void windowsDirectory(char* out, std::size_t capacity);

// PathMatchSpecA of Shlwapi.dll where the system has it, looked up once; null elsewhere.
using PathMatchFunction = bool (*)(const char* name, const char* pattern);
PathMatchFunction lookUpPathMatchSpec();

}  // namespace ostrya::platform
