// portable: no platform headers.
#include "foundation/file_access.h"

#include <cstring>
#include <new>
#include <string>

#include "foundation/error_box.h"
#include "platform/listing.h"
#include "platform/path.h"

namespace ostrya {

int MappedFile::open(const char* path) {
  close();
  int code = file_.openForReading(path, size_);
  // An empty file stays open without a view.
  if (code == 0 && size_ != 0) {
    if (size_ > SIZE_MAX)
      code = -1;
    else
      code = view_.map(file_, 0, static_cast<std::size_t>(size_));
  }
  if (code != 0) close();
  return code;
}

void MappedFile::close() {
  view_.unmap();
  file_.close();
  size_ = 0;
}

const uint8_t* MappedFile::viewRange(uint64_t offset, std::size_t length) const {
  if (view_.data() == nullptr) return nullptr;
  if (length != 0 && (offset > size_ || length > size_ - offset)) return nullptr;
  return view_.data() + offset;
}

uint32_t MappedFile::size32() const {
  return size_ < 0x100000000ull ? static_cast<uint32_t>(size_) : 0xFFFFFFFFu;
}

WholeFile readWholeFile(const char* path) {
  WholeFile whole;
  platform::FileHandle file;
  uint64_t size = 0;
  whole.code = file.openForReading(path, size);
  if (whole.code != 0) return whole;
  whole.code = -1;
  if (size >= 0xFFFFFFFFull) return whole;
  std::unique_ptr<char[]> text(new (std::nothrow) char[size + 1]);
  if (!text) return whole;
  std::size_t got = 0;
  const int code = file.read(text.get(), static_cast<std::size_t>(size), got);
  if (code != 0) {
    whole.code = code;
    return whole;
  }
  whole.code = 0;
  // A file that shrank since its size was read holds what could be read.
  text[got] = '\0';
  whole.text = std::move(text);
  whole.length = static_cast<uint32_t>(got);
  return whole;
}

int writeWholeFile(const char* path, const void* bytes, std::size_t length) {
  if (path[0] == '\0') return 0;
  const uint32_t attributes = platform::fileAttributes(path);
  if (attributes != platform::kNoAttributes && (attributes & platform::kAttrReadOnly) != 0)
    platform::setFileAttributes(path, attributes & ~uint32_t{platform::kAttrReadOnly});
  platform::FileHandle file;
  int code = file.createForWriting(path, platform::FileHandle::Replace::Exclusive);
  if (code != 0) return code;
  std::size_t written = 0;
  return file.write(bytes, length, written);
}

int createFolderPath(const char* path) {
  int code = platform::createFolder(path);
  if (code == 0 || !platform::isPathNotFound(code)) return code;
  // The parent is missing: make it first, then try again. A drive root ("C:\") or the POSIX
  // root is never made.
  std::string parent(path);
  while (!parent.empty() && platform::isPathSeparator(parent.back())) parent.pop_back();
  const std::size_t cut = parent.find_last_of("\\/");
  if (cut == std::string::npos || cut == 0 || (cut == 2 && parent[1] == ':')) return code;
  parent.resize(cut);
  const int parentCode = createFolderPath(parent.c_str());
  if (parentCode != 0 && platform::fileAttributes(parent.c_str()) == platform::kNoAttributes)
    return parentCode;
  return platform::createFolder(path);
}

int createWithFolders(platform::FileHandle& file, const char* path,
                      platform::FileHandle::Replace how) {
  const int code = file.createForWriting(path, how);
  if (code == 0 || !platform::isPathNotFound(code)) return code;
  std::string folder(path);
  const std::size_t cut = folder.find_last_of("\\/");
  if (cut == std::string::npos || cut == 0) return code;
  folder.resize(cut);
  if (createFolderPath(folder.c_str()) != 0 && !platform::isDirectory(folder.c_str())) return code;
  return file.createForWriting(path, how);
}

int OutputFile::create(void* owner, const char* path) {
  if (file_.isOpen()) return -1;
  const int code =
      createWithFolders(file_, path, platform::FileHandle::Replace::KeepingHiddenAndSystem);
  if (code == 0) return 0;
  // A path still missing after its folders were tried (a file stands where a folder should be)
  // is said too: the user asked for this file and must learn that it was not written.
  showSystemError(owner, code, path);
  return -1;
}

int OutputFile::write(void* owner, const void* bytes, std::size_t length) {
  if (!file_.isOpen()) return 0;
  std::size_t written = 0;
  const int code = file_.write(bytes, length, written);
  if (code == 0) return 0;
  if (owner) return showSystemError(owner, code, nullptr);
  return code;
}

int OutputFile::writeLine(void* owner, const char* text) {
  const int code = write(owner, text, std::strlen(text));
  if (code != 0) return code;
  return write(owner, "\r\n", 2);
}

std::unique_ptr<uint8_t[]> allocateZeroed(std::size_t size) {
  if (size == 0) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

}  // namespace ostrya
