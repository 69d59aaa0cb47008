// portable: no platform headers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/file_ops.h"

namespace ostrya::platform {

// Descriptors of the C run-time library: the form in which libraries written in C (the
// decompression engines) take their files. -1 is no descriptor.
inline constexpr int kNoDescriptor = -1;

// An existing regular file, untranslated, read front to back.
int runtimeOpenForReading(const char* path);
// Creates or empties the file, untranslated.
int runtimeCreateForWriting(const char* path);
// Bytes moved, or -1.
int runtimeRead(int descriptor, void* buffer, unsigned count);
int runtimeWrite(int descriptor, const void* bytes, unsigned count);
// The new position, or -1.
int64_t runtimeSeek(int descriptor, int64_t offset, SeekFrom from);
// 0 or -1.
int runtimeClose(int descriptor);

// Owns a run-time descriptor.
class RuntimeFile {
 public:
  RuntimeFile() = default;
  explicit RuntimeFile(int descriptor) : descriptor_(descriptor) {}
  ~RuntimeFile() { close(); }
  RuntimeFile(const RuntimeFile&) = delete;
  RuntimeFile& operator=(const RuntimeFile&) = delete;

  bool isOpen() const { return descriptor_ != kNoDescriptor; }
  int descriptor() const { return descriptor_; }
  void close() {
    if (descriptor_ != kNoDescriptor) runtimeClose(descriptor_);
    descriptor_ = kNoDescriptor;
  }

 private:
  int descriptor_ = kNoDescriptor;
};

// The same file as a C stream, for libraries that take a FILE*: opened as the descriptors above
// are (untranslated; a regular file only). Null when not opened.
std::FILE* runtimeStreamForReading(const char* path);

// Owns a run-time stream.
class RuntimeStream {
 public:
  explicit RuntimeStream(std::FILE* stream) : stream_(stream) {}
  ~RuntimeStream() { close(); }
  RuntimeStream(const RuntimeStream&) = delete;
  RuntimeStream& operator=(const RuntimeStream&) = delete;

  bool isOpen() const { return stream_ != nullptr; }
  std::FILE* get() const { return stream_; }
  // False when buffered data could not be written or the close failed.
  bool close() {
    if (stream_ == nullptr) return true;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return closed;
  }

 private:
  std::FILE* stream_;
};

}  // namespace ostrya::platform
