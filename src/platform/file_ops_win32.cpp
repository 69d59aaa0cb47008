// Win32 side of the file services beyond reading and writing.
#include <windows.h>

#include "platform/file_ops.h"

namespace ostrya::platform {
namespace {

int failure() {
  const DWORD code = GetLastError();
  return code != 0 ? static_cast<int>(code) : -1;
}

HANDLE handleOf(const FileHandle& file) {
  return reinterpret_cast<HANDLE>(file.native());
}

uint64_t toNumber(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FILETIME toFileTime(uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

}  // namespace

int seekFile(FileHandle& file, int64_t offset, SeekFrom from, uint64_t& position) {
  const DWORD method = from == SeekFrom::Start     ? FILE_BEGIN
                       : from == SeekFrom::Current ? FILE_CURRENT
                                                   : FILE_END;
  LARGE_INTEGER distance, moved;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(handleOf(file), distance, &moved, method)) return failure();
  position = static_cast<uint64_t>(moved.QuadPart);
  return 0;
}

int fileSize(const FileHandle& file, uint64_t& size) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(handleOf(file), &value)) return failure();
  size = static_cast<uint64_t>(value.QuadPart);
  return 0;
}

int fileTimes(const FileHandle& file, FileTimes& times) {
  FILETIME creation, access, write;
  if (!GetFileTime(handleOf(file), &creation, &access, &write)) return failure();
  times.creation = toNumber(creation);
  times.lastAccess = toNumber(access);
  times.lastWrite = toNumber(write);
  return 0;
}

bool setFileDosTime(FileHandle& file, uint16_t dosDate, uint16_t dosTime) {
  FILETIME local, universal;
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local)) return false;
  if (!LocalFileTimeToFileTime(&local, &universal)) return false;
  return SetFileTime(handleOf(file), &universal, nullptr, &universal) != FALSE;
}

bool fileTimeToLocalDos(uint64_t fileTime, uint16_t& dosDate, uint16_t& dosTime) {
  dosDate = dosTime = 0;
  const FILETIME universal = toFileTime(fileTime);
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&universal, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return false;
  dosDate = date;
  dosTime = time;
  return true;
}

int deleteFile(const char* path) {
  return DeleteFileA(path) ? 0 : failure();
}

int removeFolder(const char* path) {
  return RemoveDirectoryA(path) ? 0 : failure();
}

bool diskSpace(const char* root, DiskSpace& space) {
  ULARGE_INTEGER available, total;
  if (!GetDiskFreeSpaceExA(root, &available, &total, nullptr)) return false;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    space.clusterSize = sectorsPerCluster * bytesPerSector;
  space.freeBytes = available.QuadPart;
  space.totalBytes = total.QuadPart;
  return true;
}

}  // namespace ostrya::platform
