// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/file.h"

namespace ostrya {

// A read-only view of a whole file. An empty file is open with no view.
class MappedFile {
 public:
  // Returns 0, or the error code (-1 without one) after closing whatever was opened.
  int open(const char* path);
  void close();
  // The contents at `offset`; with a non-zero length, null unless the range lies in the file.
  const uint8_t* viewRange(uint64_t offset, std::size_t length) const;
  uint64_t size() const { return size_; }
  // The size when it is below 4 GiB, else all bits set.
  uint32_t size32() const;

 private:
  platform::FileHandle file_;
  platform::MappedView view_;
  uint64_t size_ = 0;
};

// The file's contents followed by a zero, and their length. Null for a file that cannot be
// opened or read, one of 4 GiB or more, or when memory is lacking, with the error code (-1
// without one); an empty file gives just the zero.
struct WholeFile {
  std::unique_ptr<char[]> text;
  uint32_t length = 0;
  int code = 0;
};
WholeFile readWholeFile(const char* path);

// Replaces the file with the bytes (clearing a read-only attribute first); an empty name does
// nothing. Returns 0 or the error code (-1 without one).
int writeWholeFile(const char* path, const void* bytes, std::size_t length);

// Makes the folder and its missing parents, down to a drive root; 0 or the error code.
int createFolderPath(const char* path);

// Creates the file for writing; when a folder of its path is missing, makes the folders and
// tries once more. 0 or the system's code.
int createWithFolders(platform::FileHandle& file, const char* path,
                      platform::FileHandle::Replace how);

// A file written piece by piece, such as an export or a language template.
class OutputFile {
 public:
  // Only on a closed object. Keeps the hidden and system attributes of an existing file, makes
  // missing folders of the path, and shows the system error box for any other failure.
  // Returns 0, or -1.
  int create(void* owner, const char* path);
  // Writes to the process's standard output instead; 0 or -1.
  int openStandardOutput() { return file_.isOpen() || file_.openStandardOutput() != 0 ? -1 : 0; }
  // Nothing happens on a closed object. A failed or short write shows the error box when there
  // is an owner, else gives the error code (a full disk's for a short write without one).
  int write(void* owner, const void* bytes, std::size_t length);
  // The text followed by CR LF.
  int writeLine(void* owner, const char* text);
  void close() { file_.close(); }
  bool isOpen() const { return file_.isOpen(); }
  bool isRegularFile() const { return file_.isRegularFile(); }

 private:
  platform::FileHandle file_;
};

// A zero-filled block; none for size 0 or when memory is lacking.
std::unique_ptr<uint8_t[]> allocateZeroed(std::size_t size);

}  // namespace ostrya
