// portable: no platform headers.
#pragma once

#include <atomic>
#include <cstdint>

#include "foundation/text_lookup.h"
#include "platform/path.h"
#include "platform/shell.h"
#include "results/records.h"
#include "results/result_store.h"
#include "search/search_host.h"
#include "search/search_options.h"
#include "search/skipped_items.h"

namespace ostrya {

class ContentPool;
class ListingAhead;
class NameMatcher;
struct SearchRequest;

// The tests a candidate meets after its name: the filter (with "With filter"), the content test
// (with a containing text), and the search inside archives (with "Search in compressed files").
class CandidateFilter {
 public:
  virtual ~CandidateFilter() = default;
  virtual bool accepts(const char* name, uint32_t attributes, uint16_t dosDate, uint16_t dosTime,
                       uint64_t size) const = 0;
};

// How the content test of one file ended. A file that could not be searched whole is no miss:
// the run says that it was not searched.
enum class ContentVerdict {
  Found,
  NotFound,
  // Could not be opened or read.
  Unreadable,
  // Ended before its size while it was read: searched only as far as it went.
  Shrank,
  // The regular expression reached a limit of the library.
  LimitReached,
  // Too large to hold whole, as a regular expression needs it.
  TooLarge,
  // The run was stopped before the file was searched whole.
  Stopped,
};

class ContentTest {
 public:
  virtual ~ContentTest() = default;
  virtual ContentVerdict test(const char* path) = 0;
};

class ArchiveSearch {
 public:
  virtual ~ArchiveSearch() = default;
  // Adds the archive entries of `request.archivePath` that match to the store.
  virtual void search(SearchRequest& request) = 0;
  // The run is over: what it left behind goes.
  virtual void endRun() {}
};

// The program-wide state a search run works with.
struct SearchContext {
  std::atomic<uint32_t> searching{0};
  // Raised by Stop from any thread; the run tests it between entries.
  std::atomic<uint32_t> stopRequests{0};
  uint32_t options = kDefaultOptions;
  ResultStore store;
  // Copied from the run's counters after every folder; read and written under the store lock.
  Totals resultTotals;
  const TextLookup* texts = &englishTexts();
  char thousandsSeparator = '.';
  platform::PathMatchFunction secondChance = nullptr;
  const CandidateFilter* filter = nullptr;
  ArchiveSearch* archives = nullptr;
  // Threads that test files' contents; 0: one per processor. 1 tests them on the run's thread.
  unsigned contentWorkers = 0;
  // What the run could not search; emptied when a run starts.
  SkippedItems skipped;

  // "Recurse folders", as at the program's first start.
  static constexpr uint32_t kDefaultOptions = kOptRecurse;

  bool stopRequested() const { return stopRequests.load(std::memory_order_relaxed) != 0; }
};

// One run's shared record: the walk, the content test, the filter and the archive callbacks all
// read it. It lives on the search thread's stack for the length of the run.
struct SearchRequest {
  SearchRequest(SearchContext& context, SearchHost& host) : context(context), host(host) {}

  SearchContext& context;
  SearchHost& host;
  const NameMatcher* namePatterns = nullptr;
  const char* containingText = "";
  // Bytes of the containing text to look for; 0 means no content search.
  uint32_t searchLength = 0;
  ContentTest* content = nullptr;
  // Worker threads for the content tests, and the lister that feeds them ahead of the walk;
  // none: the walk lists each folder and `content` tests its files on the run's thread.
  ContentPool* contentPool = nullptr;
  ListingAhead* listingAhead = nullptr;
  // The walk and the lister parted (after a stop): the walk reads and descends no further.
  bool listingLost = false;
  // Folders found, files found, bytes in the files found.
  Totals counters;
  const char* currentFolder = "";
  uint32_t options = 0;
  // Where the next result or folder record is assembled.
  alignas(8) uint8_t recordBuilder[kRecordBuilderSize];
  // The file being handed to the archive layer.
  char archivePath[platform::kMaxPath] = "";
};

}  // namespace ostrya
