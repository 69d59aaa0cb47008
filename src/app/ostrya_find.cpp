// ostrya-find: the search engine of Ostrya on the command line.
#include <csignal>
#include <cstdio>

#include "app/console_host.h"
#include "app/find_options.h"
#include "platform/codepage.h"
#include "search/name_match.h"
#include "search/search_run.h"

namespace {

ostrya::SearchContext* runningSearch = nullptr;

// Ctrl+C is the Stop command: the run ends in order and keeps what it found.
extern "C" void requestStop(int) {
  if (runningSearch) runningSearch->stopRequests.fetch_add(1);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ostrya;
  FindOptions options;
  const std::string error = parseFindOptions(argc - 1, argv + 1, options);
  if (!error.empty()) {
    std::fprintf(stderr, "ostrya-find: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(findUsage(), stdout);
    return 0;
  }

  static SearchContext context;
  context.options = options.options;
  context.thousandsSeparator = platform::thousandsSeparator();
  context.secondChance = secondChanceMatcher();
  ConsoleHost host(options);

  runningSearch = &context;
  std::signal(SIGINT, requestStop);
  std::thread search = startSearch(context, host);
  search.join();

  if (options.sortMode != SortMode::Unsorted)
    context.store.sort(options.sortMode, options.sortDirection, false, nullptr, *context.texts);
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  printRows(context.store, options.pathsOnly, stdout);
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", host.totals().c_str());
  return context.store.rowCount() != 0 ? 0 : 1;
}
