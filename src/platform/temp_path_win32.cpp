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

}  // namespace ostrya::platform
