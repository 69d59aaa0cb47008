// Win32 side of the process services.
#include <windows.h>

#include "platform/path.h"
#include "platform/process.h"

namespace ostrya::platform {

std::string programPath() {
  char path[kMaxPath];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string currentDirectory() {
  char path[kMaxPath];
  const DWORD length = GetCurrentDirectoryA(sizeof path, path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string(".");
}

}  // namespace ostrya::platform
