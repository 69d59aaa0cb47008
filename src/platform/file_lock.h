// portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace ostrya::platform {

// A lock that processes writing the same file share: an advisory lock on its folder on POSIX,
// a named mutex on Windows. Released when the object goes.
class FileWriteLock {
 public:
  FileWriteLock() = default;
  ~FileWriteLock() { release(); }
  FileWriteLock(const FileWriteLock&) = delete;
  FileWriteLock& operator=(const FileWriteLock&) = delete;

  // Waits up to `milliseconds` for the lock on writing `path`; 0 (also where the system offers
  // no such lock, and the write goes on without it), or -1 when the wait ran out, or the error
  // code of a lock that could not be made.
  int acquire(const std::string& path, uint32_t milliseconds);
  void release();

 private:
  intptr_t handle_ = -1;
};

// The current process's number, for names that must not clash with another process's.
uint32_t currentProcessId();

}  // namespace ostrya::platform
