// portable: no platform headers.
#include "search/listing_ahead.h"

#include <cstring>

#include "results/growable_area.h"
#include "search/brief_wait.h"
#include "search/folder_walk.h"
#include "search/look_in_list.h"
#include "search/name_match.h"

namespace ostrya {

ListingAhead::ListingAhead(const char* lookIn, SearchRequest& request)
    : request_(request), pool_(*request.contentPool), ring_(pool_.capacity() - 2) {
  lister_ = std::thread([this, folders = std::string(lookIn)] {
    listLookIn(folders);
    {
      std::lock_guard hold(lock_);
      ended_ = true;
    }
    readable_.notify_one();
  });
}

ListingAhead::~ListingAhead() {
  {
    std::lock_guard hold(lock_);
    closing_ = true;
  }
  writable_.notify_one();
  lister_.join();
}

bool ListingAhead::next(ListedItem& item) {
  std::unique_lock hold(lock_);
  waitBriefly(hold, readable_, [this] { return read_ < written_ || ended_; });
  if (read_ == written_) return false;
  item = ring_[read_++ % ring_.size()];
  hold.unlock();
  writable_.notify_one();
  return true;
}

// The walk's own order: each element of the look-in list that fits a path, until a stop.
void ListingAhead::listLookIn(const std::string& lookIn) {
  forEachLookInElement(lookIn.c_str(), [this](std::string_view element) {
    if (element.size() < platform::kMaxPath) {
      char folder[platform::kMaxPath];
      element.copy(folder, element.size());
      folder[element.size()] = '\0';
      listFolder(folder);
    }
    return !stopping();
  });
}

// The folder's listing is closed before its subfolders are listed, as the walk does.
void ListingAhead::listFolder(const char* folder) {
  emit(ListedItem::Kind::FolderStart, nullptr, folder);
  GrowableArea subfolders;
  listEntries(folder, subfolders);
  emit(ListedItem::Kind::FolderListed);
  const char* names = reinterpret_cast<const char*>(subfolders.data());
  for (std::size_t at = 0; at < subfolders.used();) {
    const char* name = names + at;
    at += std::strlen(name) + 1;
    char path[platform::kMaxPath];
    if (!joinPath(folder, name, path, sizeof path)) continue;
    if (stopping()) break;
    listFolder(path);
  }
}

void ListingAhead::listEntries(const char* folder, GrowableArea& subfolders) {
  platform::DirectoryListing listing;
  if (!listing.open(folder)) {
    emit(ListedItem::Kind::Unreadable);
    return;
  }
  const bool recurse = (request_.options & kOptRecurse) != 0;
  platform::DirectoryEntry entry;
  while (!stopping() && listing.next(entry)) {
    if (isDotEntry(entry.name)) continue;
    char path[platform::kMaxPath];
    if (!joinPath(folder, entry.name, path, sizeof path)) {
      emit(ListedItem::Kind::PathTooLong, nullptr, entry.name);
    } else if (!entry.isFolder) {
      listFile(listing, entry, path);
    } else if (recurse && entry.mayDescend &&
               subfolders.append(entry.name, std::strlen(entry.name) + 1)) {
      emit(ListedItem::Kind::Subfolder, &entry);
    }
  }
}

// A candidate's contents go to a worker; its details are read once they match. A file the walk
// opens as an archive must still be there.
void ListingAhead::listFile(platform::DirectoryListing& listing, platform::DirectoryEntry& entry,
                            const char* path) {
  const bool candidate =
      request_.namePatterns->matches(entry.name) && passesFilter(request_, listing, entry);
  const bool archives = searchesArchives(request_);
  if (archives ? !listing.complete(entry) : !candidate) return;
  const bool detailed = archives || (candidate && filtering(request_));
  emit(ListedItem::Kind::File, &entry, nullptr, candidate, detailed,
       candidate ? pool_.submit(path) : 0);
}

// Waits for room; a walk that is done takes nothing more.
void ListingAhead::emit(ListedItem::Kind kind, const platform::DirectoryEntry* entry,
                        const char* name, bool candidate, bool detailed, std::size_t ticket) {
  std::unique_lock hold(lock_);
  waitBriefly(hold, writable_, [this] { return written_ - read_ < ring_.size() || closing_; });
  if (closing_) return;
  ListedItem& item = ring_[written_ % ring_.size()];
  item.kind = kind;
  item.candidate = candidate;
  item.detailed = detailed;
  item.ticket = ticket;
  if (entry != nullptr) item.entry = *entry;
  if (name != nullptr) std::strcpy(item.entry.name, name);
  ++written_;
  hold.unlock();
  readable_.notify_one();
}

bool ListingAhead::stopping() {
  if (request_.context.stopRequested()) return true;
  std::lock_guard hold(lock_);
  return closing_;
}

}  // namespace ostrya
