// Win32 side of the shell services.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstring>

#include "platform/path.h"
#include "platform/shell.h"

namespace ostrya::platform {

void shellTypeName(const char* path, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  SHFILEINFOA info;
  std::memset(&info, 0, sizeof info);
  if (SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_TYPENAME) == 0) return;
  std::strncpy(out, info.szTypeName, capacity - 1);
  out[capacity - 1] = '\0';
}

void windowsDirectory(char* out, std::size_t capacity) {
  if (capacity == 0) return;
  const UINT length = GetWindowsDirectoryA(out, static_cast<UINT>(capacity));
  if (length == 0 || length >= capacity) out[0] = '\0';
}

namespace {

using PathMatchSpecFunction = BOOL(WINAPI*)(LPCSTR, LPCSTR);
PathMatchSpecFunction pathMatchSpec = nullptr;

bool callPathMatchSpec(const char* name, const char* pattern) {
  return pathMatchSpec(name, pattern) != FALSE;
}

}  // namespace

PathMatchFunction lookUpPathMatchSpec() {
  // Looked up once; the library stays loaded for the life of the process.
  static const bool found = [] {
    if (HMODULE shlwapi = LoadLibraryA("Shlwapi.dll"))
      pathMatchSpec = reinterpret_cast<PathMatchSpecFunction>(
          reinterpret_cast<void*>(GetProcAddress(shlwapi, "PathMatchSpecA")));
    return pathMatchSpec != nullptr;
  }();
  return found ? callPathMatchSpec : nullptr;
}

bool isDirectory(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace ostrya::platform
