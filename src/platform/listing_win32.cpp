// Win32 side of the folder listing: FindFirstFileA/FindNextFileA.
#include <windows.h>

#include <cstring>

#include "platform/listing.h"

namespace ostrya::platform {

struct DirectoryListing::State {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA first;
  bool firstPending = false;
  ~State() {
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
};

DirectoryListing::DirectoryListing() : state_(std::make_unique<State>()) {}
DirectoryListing::~DirectoryListing() = default;

bool DirectoryListing::open(const char* folder) {
  if (state_->find != INVALID_HANDLE_VALUE) FindClose(state_->find);
  state_->find = INVALID_HANDLE_VALUE;
  // The listing pattern: the folder, a separator unless it ends with one, and "*.*"; a pattern
  // that does not fit a path buffer lists nothing rather than a cut path.
  char pattern[kMaxPath];
  const std::size_t length = std::strlen(folder);
  const bool separator = length != 0 && !isPathSeparator(folder[length - 1]);
  if (length + (separator ? 1 : 0) + 3 >= sizeof pattern) return false;
  std::memcpy(pattern, folder, length);
  std::strcpy(pattern + length, separator ? "\\*.*" : "*.*");
  state_->find = FindFirstFileA(pattern, &state_->first);
  state_->firstPending = state_->find != INVALID_HANDLE_VALUE;
  return state_->firstPending;
}

bool DirectoryListing::next(DirectoryEntry& entry) {
  if (state_->find == INVALID_HANDLE_VALUE) return false;
  WIN32_FIND_DATAA& data = state_->first;
  if (state_->firstPending)
    state_->firstPending = false;
  else if (!FindNextFileA(state_->find, &data))
    return false;
  std::memcpy(entry.name, data.cFileName, sizeof entry.name);
  entry.name[sizeof entry.name - 1] = '\0';
  entry.attributes = data.dwFileAttributes;
  entry.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  FILETIME local;
  WORD date = 0, time = 0;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local))
    FileTimeToDosDateTime(&local, &date, &time);
  entry.dosDate = date;
  entry.dosTime = time;
  entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.mayDescend = entry.isFolder;
  return true;
}

// The listing has told everything already.
bool DirectoryListing::complete(DirectoryEntry&) {
  return true;
}

bool DirectoryListing::completeByPath(const char*, DirectoryEntry&) {
  return true;
}

}  // namespace ostrya::platform
