// portable: no platform headers.
#pragma once

#include <cstdint>

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

}  // namespace ostrya::platform
