// portable: no platform headers.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/listing.h"
#include "results/growable_area.h"
#include "search/content_pool.h"
#include "search/search_request.h"

namespace ostrya {

// What the folder walk meets, in the order it meets it.
struct ListedItem {
  enum class Kind : uint8_t {
    FolderStart,   // entry.name: the folder's path
    Unreadable,    // the folder cannot be listed
    PathTooLong,   // entry.name: a name whose path does not fit
    Subfolder,     // a folder the walk descends into, after its own folder's entries
    File,          // a file to finish: its record when its contents match, its archive search
    FolderListed,  // the folder's entries are all given
  };
  Kind kind;
  bool candidate;  // File: name and filter passed, so its contents decide
  bool detailed;   // File: its attributes, size and time were read while it was listed
  std::size_t ticket;
  platform::DirectoryEntry entry;
};

// Lists the folders of a run on a thread of its own, ahead of the walk, and hands their files to
// the content workers as soon as they are listed: the walk then finishes folder after folder
// while the next ones are being listed and tested. It goes through the tree exactly as the walk
// does (the same folders in the same order, the same stop points), so the walk reads its items
// in place of listing. Used with a containing text only, where folders are never rows.
class ListingAhead {
 public:
  ListingAhead(const char* lookIn, SearchRequest& request);
  ~ListingAhead();
  ListingAhead(const ListingAhead&) = delete;
  ListingAhead& operator=(const ListingAhead&) = delete;

  // The next item; false once the lister has ended (after a stop, or when all is listed).
  bool next(ListedItem& item);

 private:
  void listLookIn(const std::string& lookIn);
  void listFolder(const char* folder);
  void listEntries(const char* folder, GrowableArea& subfolders);
  void listFile(platform::DirectoryListing& listing, platform::DirectoryEntry& entry,
                const char* path);
  void emit(ListedItem::Kind kind, const platform::DirectoryEntry* entry = nullptr,
            const char* name = nullptr, bool candidate = false, bool detailed = false,
            std::size_t ticket = 0);
  bool stopping();

  SearchRequest& request_;
  // Taken once: the lister never reads the request's pointer, which the run clears.
  ContentPool& pool_;
  std::vector<ListedItem> ring_;
  std::size_t written_ = 0;
  std::size_t read_ = 0;
  bool ended_ = false;    // the lister is done
  bool closing_ = false;  // the walk is done
  std::mutex lock_;
  std::condition_variable readable_;
  std::condition_variable writable_;
  std::thread lister_;
};

}  // namespace ostrya
