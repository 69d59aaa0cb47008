// POSIX side of the folder listing: entries as Windows lists them (attribute bits, local DOS
// date and time). A symbolic link is listed as what it points to but never descended into, so
// link loops cannot happen.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <cstring>

#include "platform/listing.h"
#include "platform/time_posix.h"

namespace ostrya::platform {

namespace {

uint32_t attributesOf(const char* name, const struct stat& st) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  if (name[0] == '.') attributes |= kAttrHidden;
  return attributes;
}

// Fills the attributes, size and time of `entry`, found at `path` from the folder `folderFd`. A
// link is listed as its target; a dangling one as the link itself.
bool describeAt(int folderFd, const char* path, bool knownLink, DirectoryEntry& entry) {
  struct stat st;
  bool isLink = knownLink;
  if (!isLink) {
    if (fstatat(folderFd, path, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    isLink = S_ISLNK(st.st_mode);
  }
  if (isLink && fstatat(folderFd, path, &st, 0) != 0 &&
      fstatat(folderFd, path, &st, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  entry.isFolder = S_ISDIR(st.st_mode);
  entry.mayDescend = entry.isFolder && !isLink;
  entry.attributes = attributesOf(entry.name, st);
  entry.size = entry.isFolder ? 0 : static_cast<uint64_t>(st.st_size);
  toDosDateTime(st.st_mtim.tv_sec, entry.dosDate, entry.dosTime);
  return true;
}

}  // namespace

struct DirectoryListing::State {
  DIR* dir = nullptr;
  bool entryIsLink = false;  // known from the listing
  bool statDone = false;
  // Fills the attributes, size and time of the entry last read.
  bool describe(DirectoryEntry& entry) {
    statDone = describeAt(dirfd(dir), entry.name, entryIsLink, entry);
    return statDone;
  }

  ~State() {
    if (dir) closedir(dir);
  }
};

DirectoryListing::DirectoryListing() : state_(std::make_unique<State>()) {}
DirectoryListing::~DirectoryListing() = default;

bool DirectoryListing::open(const char* folder) {
  if (state_->dir) closedir(state_->dir);
  state_->dir = nullptr;
  // Listing "F\*.*" must fit a path buffer on Windows; the same bound holds here.
  if (std::strlen(folder) + 4 >= kMaxPath) return false;
  state_->dir = opendir(folder[0] ? folder : ".");
  return state_->dir != nullptr;
}

bool DirectoryListing::next(DirectoryEntry& entry) {
  if (!state_->dir) return false;
  for (;;) {
    const struct dirent* d = readdir(state_->dir);
    if (d == nullptr) return false;
    const std::size_t length = std::strlen(d->d_name);
    if (length >= sizeof entry.name) continue;  // Windows names never are this long
    std::memcpy(entry.name, d->d_name, length + 1);
    state_->statDone = false;
    state_->entryIsLink = d->d_type == DT_LNK;
    // The kind is known from the listing except for links (listed as their target) and file
    // systems that do not tell it.
    if (d->d_type == DT_DIR || d->d_type == DT_REG) {
      entry.isFolder = d->d_type == DT_DIR;
      entry.mayDescend = entry.isFolder;
      return true;
    }
    if (!state_->describe(entry)) continue;
    return true;
  }
}

bool DirectoryListing::complete(DirectoryEntry& entry) {
  return state_->statDone || state_->describe(entry);
}

bool DirectoryListing::completeByPath(const char* path, DirectoryEntry& entry) {
  return describeAt(AT_FDCWD, path, false, entry);
}

}  // namespace ostrya::platform
