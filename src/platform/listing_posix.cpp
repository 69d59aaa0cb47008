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

struct DirectoryListing::State {
  DIR* dir = nullptr;
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

namespace {

uint32_t attributesOf(const char* name, const struct stat& st) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  if (name[0] == '.') attributes |= kAttrHidden;
  return attributes;
}

}  // namespace

bool DirectoryListing::next(DirectoryEntry& entry) {
  if (!state_->dir) return false;
  const int dirFd = dirfd(state_->dir);
  for (;;) {
    const struct dirent* d = readdir(state_->dir);
    if (d == nullptr) return false;
    const std::size_t length = std::strlen(d->d_name);
    if (length >= sizeof entry.name) continue;  // Windows names never are this long
    struct stat st;
    bool isLink = d->d_type == DT_LNK;
    if (d->d_type == DT_UNKNOWN) {
      if (fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      isLink = S_ISLNK(st.st_mode);
    }
    // A link is listed as its target; a dangling one as the link itself.
    if (fstatat(dirFd, d->d_name, &st, 0) != 0 &&
        (!isLink || fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0))
      continue;
    std::memcpy(entry.name, d->d_name, length + 1);
    entry.attributes = attributesOf(d->d_name, st);
    entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    toDosDateTime(st.st_mtim.tv_sec, entry.dosDate, entry.dosTime);
    entry.mayDescend = S_ISDIR(st.st_mode) && !isLink;
    return true;
  }
}

}  // namespace ostrya::platform
