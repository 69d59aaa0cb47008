// Win32 side of the temporary folder.
#include <windows.h>

#include "platform/path.h"
#include "platform/temp_path.h"

namespace ostrya::platform {

std::string temporaryFolder() {
  char path[kMaxPath];
  const DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string folder(path, length);
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// The user's temporary folder is the user's own, and a new folder there inherits that; the
// creation fails on a name that is taken, so another attempt takes the next one.
std::string createPrivateFolder(const std::string& parent, const char* prefix) {
  const DWORD process = GetCurrentProcessId();
  const DWORD start = GetTickCount();
  for (DWORD attempt = 0; attempt < 1000; ++attempt) {
    char name[64];
    wsprintfA(name, "%lu-%lu", process, start + attempt);
    const std::string folder = parent + prefix + name;
    if (folder.size() >= kMaxPath - 1) return std::string();
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder + '\\';
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

}  // namespace ostrya::platform
