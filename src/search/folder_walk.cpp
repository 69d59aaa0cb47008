// portable: no platform headers.
#include "search/folder_walk.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/listing.h"
#include "results/growable_area.h"
#include "search/content_pool.h"
#include "search/content_test.h"
#include "search/listing_ahead.h"
#include "search/name_match.h"

namespace ostrya {
namespace {

// Directory-entry attributes a result record keeps: read-only, hidden, system, folder, archive,
// compressed.
constexpr uint32_t kKeptAttributes = 0x837;

class FolderWalk {
 public:
  FolderWalk(const char* folder, SearchRequest& request) : folder_(folder), request_(request) {}

  void run() {
    request_.currentFolder = folder_;
    request_.host.showFolder(folder_);
    folderNumber_ = request_.context.store.appendFolder(folder_, 0);
    const std::size_t mark = request_.context.store.recordMark();
    listEntries();
    // Publish the folder's rows in one locked pass, archive entries of its files included.
    request_.context.store.publishRows(mark);
    if ((request_.options & kOptRecurse) != 0) walkSubfolders();
    reportProgress();
  }

 private:
  void listEntries() {
    if (request_.listingAhead != nullptr) {
      takeListedEntries();
      return;
    }
    platform::DirectoryListing listing;
    if (!listing.open(folder_)) {
      request_.context.skipped.note(SkipKind::Unreadable, folder_);
      return;
    }
    platform::DirectoryEntry entry;
    while (!request_.context.stopRequested() && listing.next(entry)) {
      if (isDotEntry(entry.name)) continue;
      char path[platform::kMaxPath];
      // An entry whose full path does not fit a path buffer is neither tested nor descended.
      if (!joinPath(folder_, entry.name, path, sizeof path)) {
        notePathTooLong(entry.name);
        continue;
      }
      if (entry.isFolder)
        takeFolder(listing, entry);
      else
        takeFile(listing, entry, path);
    }
  }

  void takeFolder(platform::DirectoryListing& listing, platform::DirectoryEntry& entry) {
    if ((request_.options & kOptRecurse) != 0 && entry.mayDescend)
      subfolders_.append(entry.name, std::strlen(entry.name) + 1);
    // With a containing text only files can match.
    if (request_.containingText[0] != '\0' || !request_.namePatterns->matches(entry.name) ||
        !passesFilter(request_, listing, entry) || !listing.complete(entry))
      return;
    if (addRecord(entry)) ++request_.counters.folders;
  }

  // Name, filter, contents, in that order. The entry's details are read only once they are
  // needed: by the filter, or for the record of a file that matched.
  void takeFile(platform::DirectoryListing& listing, platform::DirectoryEntry& entry,
                const char* path) {
    if (request_.namePatterns->matches(entry.name) && passesFilter(request_, listing, entry) &&
        (request_.searchLength == 0 ||
         (request_.content &&
          contentFound(request_.content->test(path), path, request_.context.skipped))) &&
        listing.complete(entry) && addRecord(entry)) {
      ++request_.counters.files;
      request_.counters.bytes += entry.size;
    }
    if (searchesArchives(request_) && listing.complete(entry)) searchArchive(path);
  }

  // With a lister ahead: its items in place of the listing, up to the end of the folder. A
  // stream that ended or that has moved elsewhere is read no further; unless a stop parted them,
  // what follows is said to be unreadable.
  void takeListedEntries() {
    ListedItem item;
    if (!request_.listingAhead->next(item) || item.kind != ListedItem::Kind::FolderStart ||
        std::strcmp(item.entry.name, folder_) != 0)
      return loseListing();
    while (request_.listingAhead->next(item)) {
      if (request_.context.stopRequested()) break;
      switch (item.kind) {
        case ListedItem::Kind::Unreadable:
          request_.context.skipped.note(SkipKind::Unreadable, folder_);
          break;
        case ListedItem::Kind::PathTooLong:
          notePathTooLong(item.entry.name);
          break;
        case ListedItem::Kind::Subfolder:
          if (!subfolders_.append(item.entry.name, std::strlen(item.entry.name) + 1))
            return loseListing();
          break;
        case ListedItem::Kind::File:
          finishListedFile(item);
          break;
        case ListedItem::Kind::FolderListed:
          return;
        case ListedItem::Kind::FolderStart:
          return loseListing();
      }
    }
    loseListing();
  }

  void loseListing() {
    request_.listingLost = true;
    if (!request_.context.stopRequested())
      request_.context.skipped.note(SkipKind::Unreadable, folder_);
  }

  void finishListedFile(ListedItem& item) {
    char path[platform::kMaxPath];
    joinPath(folder_, item.entry.name, path, sizeof path);
    if (item.candidate &&
        contentFound(request_.contentPool->take(item.ticket, *request_.content), path,
                     request_.context.skipped) &&
        (item.detailed || platform::DirectoryListing::completeByPath(path, item.entry)) &&
        addRecord(item.entry)) {
      ++request_.counters.files;
      request_.counters.bytes += item.entry.size;
    }
    // Files listed before a stop came are not opened as archives after it.
    if (searchesArchives(request_) && !request_.context.stopRequested()) searchArchive(path);
  }

  void searchArchive(const char* path) {
    std::strcpy(request_.archivePath, path);
    request_.context.archives->search(request_);
  }

  bool addRecord(const platform::DirectoryEntry& entry) {
    ResultFields fields;
    fields.extensionPosition = extensionPositionOfName(entry.name);
    fields.folderNumber = folderNumber_;
    fields.size = entry.size;
    fields.attributes = static_cast<uint16_t>(entry.attributes & kKeptAttributes);
    fields.date = entry.dosDate;
    fields.time = entry.dosTime;
    if (!appendResult(request_, fields, entry.name)) return false;
    ++added_;
    return true;
  }

  void notePathTooLong(const char* name) {
    try {
      request_.context.skipped.note(
          SkipKind::PathTooLong, (std::string(folder_) + platform::kPathSeparator + name).c_str());
    } catch (const std::bad_alloc&) {
      request_.context.skipped.note(SkipKind::PathTooLong, folder_);
    }
  }

  void walkSubfolders() {
    const char* names = reinterpret_cast<const char*>(subfolders_.data());
    for (std::size_t at = 0; at < subfolders_.used();) {
      const char* name = names + at;
      at += std::strlen(name) + 1;
      char path[platform::kMaxPath];
      if (!joinPath(folder_, name, path, sizeof path)) continue;
      if (request_.context.stopRequested() || request_.listingLost) break;
      walkFolder(path, request_);
    }
  }

  void reportProgress() {
    {
      std::lock_guard<std::mutex> hold(request_.context.store.lock());
      request_.context.resultTotals = request_.counters;
    }
    if (added_ == 0) return;
    request_.host.setRowCount(request_.context.store.rowCount());
    request_.host.showTotals(totalsText(request_.counters, TotalsKind::Total,
                                        request_.context.stopRequested(), *request_.context.texts,
                                        request_.context.thousandsSeparator)
                                 .c_str());
  }

  const char* folder_;
  SearchRequest& request_;
  uint32_t folderNumber_ = 0;
  uint32_t added_ = 0;
  GrowableArea subfolders_;
};

}  // namespace

bool isDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool filtering(const SearchRequest& request) {
  return (request.options & kOptWithFilter) != 0 && request.context.filter != nullptr;
}

bool passesFilter(const SearchRequest& request, platform::DirectoryListing& listing,
                  platform::DirectoryEntry& entry) {
  if (!filtering(request)) return true;
  return listing.complete(entry) &&
         request.context.filter->accepts(entry.name, entry.attributes, entry.dosDate, entry.dosTime,
                                         entry.size);
}

bool searchesArchives(const SearchRequest& request) {
  return (request.options & kOptArchives) != 0 && request.context.archives != nullptr;
}

bool appendResult(SearchRequest& request, const ResultFields& fields, const char* name) {
  return fields.folderNumber != 0 && buildResultRecord(request.recordBuilder, fields, name) != 0 &&
         request.context.store.appendRecord(request.recordBuilder);
}

bool joinPath(const char* folder, const char* name, char* out, std::size_t capacity) {
  const std::size_t folderLength = std::strlen(folder);
  const bool needsSeparator =
      folderLength != 0 && !platform::isPathSeparator(folder[folderLength - 1]);
  const std::size_t nameLength = std::strlen(name);
  const std::size_t length = folderLength + (needsSeparator ? 1 : 0) + nameLength;
  if (length + 1 > capacity) return false;
  std::memcpy(out, folder, folderLength);
  char* at = out + folderLength;
  if (needsSeparator) *at++ = platform::kPathSeparator;
  std::memcpy(at, name, nameLength + 1);
  return true;
}

void walkFolder(const char* folder, SearchRequest& request) {
  FolderWalk(folder, request).run();
}

}  // namespace ostrya
