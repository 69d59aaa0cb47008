// portable: no platform headers.
#include "search/search_run.h"

#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "regex/regex_search.h"
#include "search/content_pool.h"
#include "search/content_test.h"
#include "search/folder_walk.h"
#include "search/listing_ahead.h"
#include "search/look_in_list.h"
#include "search/name_match.h"

namespace ostrya {
namespace {

std::string totalsOf(const SearchContext& context, const Totals& counters) {
  return totalsText(counters, TotalsKind::Total, context.stopRequested(), *context.texts,
                    context.thousandsSeparator);
}

// Walks each folder of the look-in list that fits a path.
void walkLookInList(const char* lookIn, SearchRequest& request) {
  forEachLookInElement(lookIn, [&](std::string_view element) {
    if (element.size() < platform::kMaxPath) {
      char folder[platform::kMaxPath];
      element.copy(folder, element.size());
      folder[element.size()] = '\0';
      walkFolder(folder, request);
    }
    return !request.context.stopRequested();
  });
}

}  // namespace

void runSearch(SearchContext& context, SearchHost& host) {
  context.searching.fetch_add(1);
  SearchRequest request(context, host);
  host.showSearching(true);
  host.showTotals(totalsOf(context, request.counters).c_str());

  char patterns[kNamePatternsCapacity];
  char lookIn[kLookInCapacity];
  char text[kContainingTextCapacity];
  host.readField(PanelField::NamePatterns, patterns, sizeof patterns);
  host.readField(PanelField::LookIn, lookIn, sizeof lookIn);
  host.readField(PanelField::ContainingText, text, sizeof text);

  if (patterns[0] != '\0') host.addToHistory(PanelField::NamePatterns, patterns);
  if (lookIn[0] != '\0') host.addToHistory(PanelField::LookIn, lookIn);
  const uint32_t options = context.options;
  if ((options & kOptKeepText) != 0) {
    if ((options & kOptHex) != 0) {
      std::size_t length = std::strlen(text);
      while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
    }
    if (text[0] != '\0') host.addToHistory(PanelField::ContainingText, text);
    host.setField(PanelField::ContainingText, text);
  }
  // The history keeps what the user typed; the run uses the match-all pattern.
  if (patterns[0] == '\0' || std::strcmp(patterns, "*.*") == 0) std::strcpy(patterns, ".");

  const NameMatcher matcher(patterns, context.secondChance);
  request.namePatterns = &matcher;
  request.containingText = text;
  request.options = options;
  context.store.reset();
  context.skipped.reset();
  {
    std::lock_guard<std::mutex> hold(context.store.lock());
    context.resultTotals = Totals{};
  }

  // The expression is compiled from the text as typed, in either mode, and lives for the run.
  std::unique_ptr<RegexPattern> pattern;
  if (text[0] != '\0' && (options & kOptRegex) != 0)
    pattern = compilePattern(text, (options & kOptCaseSensitive) != 0);
  const ContentQuery query = prepareContent(text, options, pattern.get());
  FileContentTest content(query, FileContentTest::kDefaultChunkSize, &context.stopRequests);
  request.searchLength = query.length;
  request.content = &content;
  std::optional<ContentPool> pool;
  std::optional<ListingAhead> lister;
  const unsigned workers = ContentPool::workerCount(context.contentWorkers);
  // Without the threads or their memory the walk lists and tests on its own.
  if (query.length != 0 && workers > 1) {
    try {
      pool.emplace(text, options, workers, context.stopRequests);
      if (pool->running()) {
        request.contentPool = &*pool;
        lister.emplace(lookIn, request);
        request.listingAhead = &*lister;
      }
    } catch (const std::exception&) {
      request.contentPool = nullptr;
      request.listingAhead = nullptr;
      lister.reset();
      pool.reset();
    }
  }

  host.refreshCommands();
  walkLookInList(lookIn, request);
  // The lister and the workers end before the run says it is over: the window may wait for it.
  request.listingAhead = nullptr;
  lister.reset();
  request.contentPool = nullptr;
  pool.reset();
  if (context.archives) context.archives->endRun();

  host.setRowCount(context.store.rowCount());
  context.searching.fetch_sub(1);
  host.bringForward();
  host.refreshCommands();
  host.showFolder("");
  host.showSearching(false);
  host.showTotals((totalsOf(context, request.counters) +
                   skippedNote(context.skipped.total(), *context.texts, context.thousandsSeparator))
                      .c_str());
  host.focusFirstRowIfNone();
  host.runEnded();
}

std::thread startSearch(SearchContext& context, SearchHost& host) {
  context.stopRequests.store(0);
  return std::thread([&context, &host] { runSearch(context, host); });
}

}  // namespace ostrya
