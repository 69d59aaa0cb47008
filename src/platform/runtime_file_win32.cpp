// Win32 side of the run-time descriptors (the C run-time's low-level file functions).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/runtime_file.h"

namespace ostrya::platform {

int runtimeOpenForReading(const char* path) {
  const int fd = _open(path, _O_RDONLY | _O_BINARY | _O_SEQUENTIAL);
  return fd < 0 ? kNoDescriptor : fd;
}

int runtimeCreateForWriting(const char* path) {
  const int fd = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_SEQUENTIAL,
                       _S_IREAD | _S_IWRITE);
  return fd < 0 ? kNoDescriptor : fd;
}

int runtimeRead(int descriptor, void* buffer, unsigned count) {
  return _read(descriptor, buffer, count);
}

int runtimeWrite(int descriptor, const void* bytes, unsigned count) {
  return _write(descriptor, bytes, count);
}

int64_t runtimeSeek(int descriptor, int64_t offset, SeekFrom from) {
  const int origin = from == SeekFrom::Start     ? SEEK_SET
                     : from == SeekFrom::Current ? SEEK_CUR
                                                 : SEEK_END;
  const __int64 position = _lseeki64(descriptor, offset, origin);
  return position < 0 ? -1 : static_cast<int64_t>(position);
}

int runtimeClose(int descriptor) {
  return _close(descriptor) == 0 ? 0 : -1;
}

namespace {

std::FILE* streamOf(int descriptor, const char* mode) {
  if (descriptor == kNoDescriptor) return nullptr;
  std::FILE* stream = _fdopen(descriptor, mode);
  if (stream == nullptr) _close(descriptor);
  return stream;
}

}  // namespace

std::FILE* runtimeStreamForReading(const char* path) {
  return streamOf(runtimeOpenForReading(path), "rb");
}

}  // namespace ostrya::platform
