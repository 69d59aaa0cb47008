// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrya::platform {

// The calling thread's last system error code; 0 when there is none.
int lastErrorCode();
// The system's text for an error code; empty when it has none.
std::string errorText(int code);
// True when the code says that a folder of the path is missing.
bool isPathNotFound(int code);
// The code of a full disk: what a short write that set no error code most likely met.
int diskFullCode();

// An open file. Operations return 0 or the system's error code (-1 where it gives none).
class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // An existing file, for reading, others may read it too; tells its size.
  int openForReading(const char* path, uint64_t& size);
  enum class Replace {
    // Normal attributes, no sharing.
    Exclusive,
    // Keeps the hidden and system attributes of an existing file; others may write too.
    KeepingHiddenAndSystem,
    // Only a file that does not exist yet, for its owner alone: fails when anything has the
    // name, a link included, so nothing planted there is written through.
    NewOnly,
  };
  // Creates the file, or empties an existing one (but for NewOnly), for writing.
  int createForWriting(const char* path, Replace how);
  // The process's standard output, for writing (a copy of it, closed with the handle).
  int openStandardOutput();
  bool isOpen() const { return handle_ != kClosed; }
  // True for a file on disk; false for a device, a pipe or a console.
  bool isRegularFile() const;
  // Reads up to `length` bytes; `got` < length only at the end of the file.
  int read(void* buffer, std::size_t length, std::size_t& got);
  // Writes all bytes; `written` tells how many went. A short write is a failure: without a code
  // of the system's, the full disk's.
  int write(const void* bytes, std::size_t length, std::size_t& written);
  void close();
  intptr_t native() const { return handle_; }

 private:
  static constexpr intptr_t kClosed = -1;
  intptr_t handle_ = kClosed;
};

// A read-only view of a range of an open file.
class MappedView {
 public:
  MappedView() = default;
  ~MappedView() { unmap(); }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  // `offset` must be a multiple of mappingGranularity(); `length` must not be 0.
  int map(const FileHandle& file, uint64_t offset, std::size_t length);
  void unmap();
  const uint8_t* data() const { return data_; }
  std::size_t length() const { return length_; }

 private:
  const uint8_t* data_ = nullptr;
  std::size_t length_ = 0;
  intptr_t mapping_ = 0;
};

// What a mapping offset must be a multiple of.
std::size_t mappingGranularity();

// True for a file on disk: not a folder, device, pipe or socket, and there.
bool isRegularFile(const char* path);

// Windows attribute bits of a file or folder; kNoAttributes when it does not exist.
inline constexpr uint32_t kNoAttributes = 0xFFFFFFFF;
uint32_t fileAttributes(const char* path);
// Only the read-only bit has a meaning outside Windows.
bool setFileAttributes(const char* path, uint32_t attributes);

// Makes one folder; 0 or the error code (isPathNotFound when its parent is missing).
int createFolder(const char* path);

// Gives the file `from` the name `to`, replacing any file of that name, once its contents are
// on disk: after a crash `to` is either the old file or the new one, whole. Both names must
// lie in one folder. 0 or the error code.
int replaceFile(const char* from, const char* to);

// A block of memory with a name, shared by every process that opens the same name.
class SharedMemory {
 public:
  SharedMemory() = default;
  ~SharedMemory() { close(); }
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // Creates or opens the block; true when a block of that name existed before, whether or not
  // a view could be made. data() is null without a view.
  bool open(const char* name, std::size_t size);
  void close();
  void* data() const { return data_; }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
  intptr_t handle_ = 0;
  std::string name_;
};

}  // namespace ostrya::platform
