// POSIX side of the file services.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/listing.h"

namespace ostrya::platform {

int lastErrorCode() {
  return errno;
}

int diskFullCode() {
  return ENOSPC;
}

std::string errorText(int code) {
  char buffer[512];
  // The GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return text ? text : "";
}

bool isPathNotFound(int code) {
  return code == ENOENT || code == ENOTDIR;
}

namespace {

int failure() {
  return errno != 0 ? errno : -1;
}

}  // namespace

int FileHandle::openForReading(const char* path, uint64_t& size) {
  close();
  // Non-blocking, so that a named pipe met by a walk cannot hold the search.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return failure();
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    // Folders, devices and pipes are not files to read: a device could be read forever.
    const int code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return code;
  }
  handle_ = fd;
  size = static_cast<uint64_t>(st.st_size);
  return 0;
}

int FileHandle::openStandardOutput() {
  close();
  const int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return failure();
  handle_ = fd;
  return 0;
}

bool isRegularFile(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool FileHandle::isRegularFile() const {
  struct stat status;
  return handle_ != kClosed && fstat(static_cast<int>(handle_), &status) == 0 &&
         S_ISREG(status.st_mode);
}

int FileHandle::createForWriting(const char* path, Replace how) {
  close();
  const int fd = how == Replace::NewOnly
                     ? ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
                     : ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return failure();
  handle_ = fd;
  return 0;
}

int FileHandle::read(void* buffer, std::size_t length, std::size_t& got) {
  got = 0;
  while (got < length) {
    const ssize_t n =
        ::read(static_cast<int>(handle_), static_cast<char*>(buffer) + got, length - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure();
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

int FileHandle::write(const void* bytes, std::size_t length, std::size_t& written) {
  written = 0;
  while (written < length) {
    const ssize_t n = ::write(static_cast<int>(handle_), static_cast<const char*>(bytes) + written,
                              length - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure();
    // A write that takes nothing without an error most likely met a full disk.
    if (n == 0) return diskFullCode();
    written += static_cast<std::size_t>(n);
  }
  return 0;
}

void FileHandle::close() {
  if (handle_ != kClosed) ::close(static_cast<int>(handle_));
  handle_ = kClosed;
}

int MappedView::map(const FileHandle& file, uint64_t offset, std::size_t length) {
  unmap();
  void* view = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, static_cast<int>(file.native()),
                    static_cast<off_t>(offset));
  if (view == MAP_FAILED) return failure();
  data_ = static_cast<const uint8_t*>(view);
  length_ = length;
  return 0;
}

void MappedView::unmap() {
  if (data_) munmap(const_cast<uint8_t*>(data_), length_);
  data_ = nullptr;
  length_ = 0;
}

std::size_t mappingGranularity() {
  static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return page;
}

uint32_t fileAttributes(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return kNoAttributes;
  uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  const char* name = std::strrchr(path, '/');
  if ((name ? name[1] : path[0]) == '.') attributes |= kAttrHidden;
  return attributes;
}

bool setFileAttributes(const char* path, uint32_t attributes) {
  struct stat st;
  if (stat(path, &st) != 0) return false;
  const mode_t mode =
      (attributes & kAttrReadOnly) != 0 ? st.st_mode & ~mode_t{0222} : st.st_mode | S_IWUSR;
  return chmod(path, mode & 07777) == 0;
}

int createFolder(const char* path) {
  return mkdir(path, 0777) == 0 ? 0 : failure();
}

// rename() alone may reach the disk before the data: after a crash the name would then stand
// for an empty file.
int replaceFile(const char* from, const char* to) {
  const int fd = ::open(from, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure();
  // A file system that cannot sync (EINVAL) has nothing better to offer.
  const int code = (fsync(fd) == 0 || errno == EINVAL) ? 0 : failure();
  ::close(fd);
  if (code != 0) return code;
  return rename(from, to) == 0 ? 0 : failure();
}

bool SharedMemory::open(const char* name, std::size_t size) {
  close();
  // A shared memory name is one path part.
  name_ = std::string("/") + name;
  for (std::size_t i = 1; i < name_.size(); ++i)
    if (name_[i] == '/') name_[i] = '_';
  bool existed = false;
  int fd = shm_open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  if (fd < 0 && errno == EEXIST) {
    existed = true;
    fd = shm_open(name_.c_str(), O_RDWR, 0600);
  }
  if (fd < 0) return existed;
  if (!existed && ftruncate(fd, static_cast<off_t>(size)) != 0) {
    ::close(fd);
    shm_unlink(name_.c_str());
    return false;
  }
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (view == MAP_FAILED) return existed;
  data_ = view;
  size_ = size;
  // The creator removes the name when it closes, as a page-file block goes with its last user.
  handle_ = existed ? 0 : 1;
  return existed;
}

void SharedMemory::close() {
  if (data_) munmap(data_, size_);
  if (handle_ == 1) shm_unlink(name_.c_str());
  data_ = nullptr;
  size_ = 0;
  handle_ = 0;
}

}  // namespace ostrya::platform
