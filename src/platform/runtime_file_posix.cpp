// POSIX side of the run-time descriptors: POSIX descriptors are the run-time's own.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/runtime_file.h"

namespace ostrya::platform {

int runtimeOpenForReading(const char* path) {
  // Non-blocking and regular files only, as FileHandle opens them: a pipe or a device met by a
  // walk must not hold the search.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kNoDescriptor;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kNoDescriptor;
  }
  return fd;
}

int runtimeCreateForWriting(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? kNoDescriptor : fd;
}

int runtimeRead(int descriptor, void* buffer, unsigned count) {
  ssize_t n;
  do n = ::read(descriptor, buffer, count);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int runtimeWrite(int descriptor, const void* bytes, unsigned count) {
  ssize_t n;
  do n = ::write(descriptor, bytes, count);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int64_t runtimeSeek(int descriptor, int64_t offset, SeekFrom from) {
  const int whence = from == SeekFrom::Start     ? SEEK_SET
                     : from == SeekFrom::Current ? SEEK_CUR
                                                 : SEEK_END;
  const off_t position = lseek(descriptor, static_cast<off_t>(offset), whence);
  return position < 0 ? -1 : static_cast<int64_t>(position);
}

int runtimeClose(int descriptor) {
  return ::close(descriptor) == 0 ? 0 : -1;
}

namespace {

std::FILE* streamOf(int descriptor, const char* mode) {
  if (descriptor == kNoDescriptor) return nullptr;
  std::FILE* stream = fdopen(descriptor, mode);
  if (stream == nullptr) ::close(descriptor);
  return stream;
}

}  // namespace

std::FILE* runtimeStreamForReading(const char* path) {
  return streamOf(runtimeOpenForReading(path), "rb");
}

}  // namespace ostrya::platform
