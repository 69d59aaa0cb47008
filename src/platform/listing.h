// portable: no platform headers.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/path.h"

namespace ostrya::platform {

// Attribute bits as Windows gives them.
enum : uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrCompressed = 0x800,
};

struct DirectoryEntry {
  char name[kMaxPath];
  bool isFolder;
  bool mayDescend;  // false for a folder reached through a symbolic link
  // Filled by DirectoryListing::complete.
  uint32_t attributes;
  uint64_t size;
  uint16_t dosDate;  // last write, local time
  uint16_t dosTime;
};

// Lists one folder as FindFirstFileA/FindNextFileA do, "." and ".." included where the system
// reports them. Where the system tells an entry's attributes, size and time only on request
// (POSIX), next() gives the name and kind, and complete() the rest, so that a walk pays only
// for the entries whose names match.
class DirectoryListing {
 public:
  DirectoryListing();
  ~DirectoryListing();
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  // Opens the folder; false when it cannot be listed (missing, denied, not a folder, path too
  // long).
  bool open(const char* folder);
  // Fills the next entry's name and kind; false at the end.
  bool next(DirectoryEntry& entry);
  // Fills the attributes, size and time of the entry next() gave; false when it is gone.
  bool complete(DirectoryEntry& entry);
  // The same for an entry given earlier, found again by its full path, once the listing has
  // moved on or is closed.
  static bool completeByPath(const char* path, DirectoryEntry& entry);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ostrya::platform
