// POSIX side of the write lock: flock on the folder that holds the file. A lock file would stay
// behind (removing it would let two writers lock two different files); the folder is there
// anyway.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/file_lock.h"

namespace ostrya::platform {

// A file system that cannot lock a folder (NFS emulates flock with locks that need a file open
// for writing) is written without the lock, as it was before there was one; only another
// writer that holds it too long stops the write.
int FileWriteLock::acquire(const std::string& path, uint32_t milliseconds) {
  release();
  const std::size_t cut = path.find_last_of('/');
  const std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool held = errno == EWOULDBLOCK;
    if (!held || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return held ? -1 : 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  handle_ = fd;
  return 0;
}

void FileWriteLock::release() {
  if (handle_ < 0) return;
  flock(static_cast<int>(handle_), LOCK_UN);
  ::close(static_cast<int>(handle_));
  handle_ = -1;
}

uint32_t currentProcessId() {
  return static_cast<uint32_t>(getpid());
}

}  // namespace ostrya::platform
