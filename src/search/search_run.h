// portable: no platform headers.
#pragma once

#include <thread>

#include "search/search_request.h"

namespace ostrya {

// One search run: reads the panel fields through the host, fills the store, reports the totals.
// Runs on the calling thread; returns when the run is over.
void runSearch(SearchContext& context, SearchHost& host);

// Clears the stop request and starts a run on a thread of its own.
std::thread startSearch(SearchContext& context, SearchHost& host);

}  // namespace ostrya
