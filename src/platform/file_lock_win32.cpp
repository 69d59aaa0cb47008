// Win32 side of the write lock: a mutex of the session named after the file's full path, so
// that no file is left behind.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "platform/file_lock.h"

namespace ostrya::platform {
namespace {

// FNV-1a over the path as Windows compares it: case and separators do not matter.
uint64_t pathHash(const std::string& path) {
  char full[MAX_PATH * 2];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) {
    length = static_cast<DWORD>(std::min<std::size_t>(path.size(), sizeof full - 1));
    path.copy(full, length);
  }
  CharUpperBuffA(full, length);
  uint64_t hash = 14695981039346656037ull;
  for (DWORD i = 0; i < length; ++i) {
    const unsigned char c = full[i] == '/' ? '\\' : static_cast<unsigned char>(full[i]);
    hash = (hash ^ c) * 1099511628211ull;
  }
  return hash;
}

}  // namespace

int FileWriteLock::acquire(const std::string& path, uint32_t milliseconds) {
  release();
  char name[64];
  std::snprintf(name, sizeof name, "Local\\Ostrya-settings-%016llx",
                static_cast<unsigned long long>(pathHash(path)));
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return static_cast<int>(GetLastError());
  const DWORD waited = WaitForSingleObject(mutex, milliseconds);
  // An abandoned mutex was held by a writer that died; its file was replaced whole or not at all.
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    return waited == WAIT_TIMEOUT ? -1 : static_cast<int>(GetLastError());
  }
  handle_ = reinterpret_cast<intptr_t>(mutex);
  return 0;
}

void FileWriteLock::release() {
  if (handle_ == -1) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  handle_ = -1;
}

uint32_t currentProcessId() {
  return GetCurrentProcessId();
}

}  // namespace ostrya::platform
