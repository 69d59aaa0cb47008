// Win32 side of the file services.
#include <windows.h>

#include <algorithm>

#include "platform/file.h"

namespace ostrya::platform {

int lastErrorCode() {
  return static_cast<int>(GetLastError());
}

int diskFullCode() {
  return ERROR_DISK_FULL;
}

std::string errorText(int code) {
  char text[512];
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code),
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  return std::string(text, length);
}

bool isPathNotFound(int code) {
  return code == ERROR_PATH_NOT_FOUND;
}

namespace {

int failure() {
  const DWORD code = GetLastError();
  return code != 0 ? static_cast<int>(code) : -1;
}

HANDLE handleOf(intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

}  // namespace

// Sharing write access too: a log file another program is still writing can be searched.
int FileHandle::openForReading(const char* path, uint64_t& size) {
  close();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failure();
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    const int code = failure();
    CloseHandle(file);
    return code;
  }
  size = (uint64_t{high} << 32) | low;
  handle_ = reinterpret_cast<intptr_t>(file);
  return 0;
}

int FileHandle::openStandardOutput() {
  close();
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(),
                       &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return failure();
  handle_ = reinterpret_cast<intptr_t>(copy);
  return 0;
}

bool isRegularFile(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool FileHandle::isRegularFile() const {
  return handle_ != kClosed && GetFileType(reinterpret_cast<HANDLE>(handle_)) == FILE_TYPE_DISK;
}

int FileHandle::createForWriting(const char* path, Replace how) {
  close();
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  DWORD share = 0;
  if (how == Replace::KeepingHiddenAndSystem) {
    const DWORD existing = GetFileAttributesA(path);
    if (existing != INVALID_FILE_ATTRIBUTES)
      attributes |= existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    share = FILE_SHARE_WRITE;
  }
  // CREATE_NEW fails on any existing name, a reparse point included.
  const DWORD disposition = how == Replace::NewOnly ? CREATE_NEW : CREATE_ALWAYS;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, share, nullptr, disposition, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failure();
  handle_ = reinterpret_cast<intptr_t>(file);
  return 0;
}

int FileHandle::read(void* buffer, std::size_t length, std::size_t& got) {
  got = 0;
  while (got < length) {
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(length - got, 1u << 30));
    if (!ReadFile(handleOf(handle_), static_cast<char*>(buffer) + got, ask, &n, nullptr))
      return failure();
    if (n == 0) break;
    got += n;
  }
  return 0;
}

int FileHandle::write(const void* bytes, std::size_t length, std::size_t& written) {
  written = 0;
  while (written < length) {
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(length - written, 1u << 30));
    if (!WriteFile(handleOf(handle_), static_cast<const char*>(bytes) + written, ask, &n, nullptr))
      return failure();
    // A write that takes nothing without an error most likely met a full disk.
    if (n == 0) return diskFullCode();
    written += n;
  }
  return 0;
}

void FileHandle::close() {
  if (handle_ != kClosed) CloseHandle(handleOf(handle_));
  handle_ = kClosed;
}

int MappedView::map(const FileHandle& file, uint64_t offset, std::size_t length) {
  unmap();
  HANDLE mapping =
      CreateFileMappingA(handleOf(file.native()), nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return failure();
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                             static_cast<DWORD>(offset), length);
  if (view == nullptr) {
    const int code = failure();
    CloseHandle(mapping);
    return code;
  }
  data_ = static_cast<const uint8_t*>(view);
  length_ = length;
  mapping_ = reinterpret_cast<intptr_t>(mapping);
  return 0;
}

void MappedView::unmap() {
  if (data_) UnmapViewOfFile(data_);
  if (mapping_) CloseHandle(handleOf(mapping_));
  data_ = nullptr;
  length_ = 0;
  mapping_ = 0;
}

std::size_t mappingGranularity() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

uint32_t fileAttributes(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes == INVALID_FILE_ATTRIBUTES ? kNoAttributes : attributes;
}

bool setFileAttributes(const char* path, uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != FALSE;
}

int createFolder(const char* path) {
  return CreateDirectoryA(path, nullptr) ? 0 : failure();
}

// MOVEFILE_WRITE_THROUGH waits for the move, not for the data written before it, so the data
// is flushed first.
int replaceFile(const char* from, const char* to) {
  HANDLE file =
      CreateFileA(from, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failure();
  const int code = FlushFileBuffers(file) ? 0 : failure();
  CloseHandle(file);
  if (code != 0) return code;
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : failure();
}

bool SharedMemory::open(const char* name, std::size_t size) {
  close();
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(size), name);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (mapping == nullptr) return existed;
  data_ = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (data_ == nullptr) {
    CloseHandle(mapping);
    return existed;
  }
  size_ = size;
  handle_ = reinterpret_cast<intptr_t>(mapping);
  return existed;
}

void SharedMemory::close() {
  if (data_) UnmapViewOfFile(data_);
  if (handle_) CloseHandle(handleOf(handle_));
  data_ = nullptr;
  size_ = 0;
  handle_ = 0;
}

}  // namespace ostrya::platform
