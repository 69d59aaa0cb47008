// portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

#include "results/result_store.h"
#include "search/search_request.h"

namespace ostrya {

// What the command line of ostrya-find asks for.
struct FindOptions {
  std::string patterns;
  std::string lookIn;
  std::string text;
  uint32_t options = SearchContext::kDefaultOptions;
  SortMode sortMode = SortMode::Unsorted;
  SortDirection sortDirection = SortDirection::Ascending;
  bool pathsOnly = false;
  bool help = false;
};

// Fills `out` from the arguments (without the program name); returns an empty text, or a
// one-line usage error.
std::string parseFindOptions(int argc, const char* const* argv, FindOptions& out);

// The text --help prints.
const char* findUsage();

}  // namespace ostrya
