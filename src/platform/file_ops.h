// portable: no platform headers.
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace ostrya::platform {

enum class SeekFrom { Start, Current, End };

// Moves the position of an open file and tells the new one. 0 or the error code.
int seekFile(FileHandle& file, int64_t offset, SeekFrom from, uint64_t& position);
int fileSize(const FileHandle& file, uint64_t& size);

// File times in the Windows form: 100-nanosecond steps since 1601, universal time.
struct FileTimes {
  uint64_t creation = 0;
  uint64_t lastAccess = 0;
  uint64_t lastWrite = 0;
};
int fileTimes(const FileHandle& file, FileTimes& times);
// Sets creation and last-write time from a local DOS date and time, keeping the last access.
bool setFileDosTime(FileHandle& file, uint16_t dosDate, uint16_t dosTime);
// A file time as a local DOS date and time; false (both 0) where DOS has no form for it.
bool fileTimeToLocalDos(uint64_t fileTime, uint16_t& dosDate, uint16_t& dosTime);

// 0 or the error code.
int deleteFile(const char* path);
int removeFolder(const char* path);

struct DiskSpace {
  uint32_t clusterSize = 0;
  uint64_t freeBytes = 0;
  uint64_t totalBytes = 0;
};
bool diskSpace(const char* root, DiskSpace& space);

}  // namespace ostrya::platform
