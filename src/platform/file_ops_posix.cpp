// POSIX side of the file services beyond reading and writing.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <ctime>

#include "platform/file_ops.h"
#include "platform/time_posix.h"

namespace ostrya::platform {
namespace {

int failure() {
  return errno != 0 ? errno : -1;
}

int descriptorOf(const FileHandle& file) {
  return static_cast<int>(file.native());
}

// Seconds from 1601 to 1970, the two epochs.
constexpr uint64_t kEpochDifference = 11644473600ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

uint64_t toFileTime(const timespec& time) {
  if (time.tv_sec < -static_cast<int64_t>(kEpochDifference)) return 0;
  return (static_cast<uint64_t>(time.tv_sec) + kEpochDifference) * kTicksPerSecond +
         static_cast<uint64_t>(time.tv_nsec) / 100;
}

}  // namespace

int seekFile(FileHandle& file, int64_t offset, SeekFrom from, uint64_t& position) {
  const int whence = from == SeekFrom::Start     ? SEEK_SET
                     : from == SeekFrom::Current ? SEEK_CUR
                                                 : SEEK_END;
  const off_t moved = lseek(descriptorOf(file), static_cast<off_t>(offset), whence);
  if (moved < 0) return failure();
  position = static_cast<uint64_t>(moved);
  return 0;
}

int fileSize(const FileHandle& file, uint64_t& size) {
  struct stat st;
  if (fstat(descriptorOf(file), &st) != 0) return failure();
  size = static_cast<uint64_t>(st.st_size);
  return 0;
}

// POSIX keeps no creation time; the status change time stands in for it.
int fileTimes(const FileHandle& file, FileTimes& times) {
  struct stat st;
  if (fstat(descriptorOf(file), &st) != 0) return failure();
  times.creation = toFileTime(st.st_ctim);
  times.lastAccess = toFileTime(st.st_atim);
  times.lastWrite = toFileTime(st.st_mtim);
  return 0;
}

bool setFileDosTime(FileHandle& file, uint16_t dosDate, uint16_t dosTime) {
  struct tm local = {};
  local.tm_year = 80 + (dosDate >> 9);
  local.tm_mon = ((dosDate >> 5) & 15) - 1;
  local.tm_mday = dosDate & 31;
  local.tm_hour = dosTime >> 11;
  local.tm_min = (dosTime >> 5) & 63;
  local.tm_sec = (dosTime & 31) * 2;
  local.tm_isdst = -1;
  if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday == 0 || local.tm_hour > 23 ||
      local.tm_min > 59 || local.tm_sec > 59)
    return false;
  const time_t seconds = mktime(&local);
  if (seconds == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = seconds;
  times[1].tv_nsec = 0;
  return futimens(descriptorOf(file), times) == 0;
}

bool fileTimeToLocalDos(uint64_t fileTime, uint16_t& dosDate, uint16_t& dosTime) {
  dosDate = dosTime = 0;
  const uint64_t seconds = fileTime / kTicksPerSecond;
  if (seconds < kEpochDifference) return false;
  toDosDateTime(static_cast<time_t>(seconds - kEpochDifference), dosDate, dosTime);
  return dosDate != 0;
}

int deleteFile(const char* path) {
  return unlink(path) == 0 ? 0 : failure();
}

int removeFolder(const char* path) {
  return rmdir(path) == 0 ? 0 : failure();
}

bool diskSpace(const char* root, DiskSpace& space) {
  struct statvfs info;
  if (statvfs(root, &info) != 0) return false;
  space.clusterSize = static_cast<uint32_t>(info.f_frsize);
  space.freeBytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
  space.totalBytes = static_cast<uint64_t>(info.f_blocks) * info.f_frsize;
  return true;
}

}  // namespace ostrya::platform
