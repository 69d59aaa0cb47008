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
  uint32_t attributes;
  uint64_t size;
  uint16_t dosDate;  // last write, local time
  uint16_t dosTime;
  bool mayDescend;  // false for a folder reached through a symbolic link
};

// Lists one folder as FindFirstFileA/FindNextFileA do, "." and ".." included where the system
// reports them.
class DirectoryListing {
 public:
  DirectoryListing();
  ~DirectoryListing();
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  // Opens the folder; false when it cannot be listed (missing, denied, not a folder, path too
  // long).
  bool open(const char* folder);
  // Fills the next entry; false at the end.
  bool next(DirectoryEntry& entry);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ostrya::platform
