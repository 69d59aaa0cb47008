// portable: no platform headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "results/export.h"
#include "results/result_store.h"
#include "search/search_filter.h"
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

  // The configuration file; empty for the program's own.
  std::string configFile;
  // Start from the filter saved in the configuration file.
  bool savedFilter = false;
  // Filter fields given directly; each replaces the saved one. Any of them turns the filter on.
  std::optional<std::string> mask, exclude;
  std::optional<uint16_t> fromDate, fromTime, toDate, toTime;
  std::optional<uint64_t> minSize, maxSize;
  std::optional<uint16_t> attributes;
  // A built-in language code or a language file's; empty for the configured language.
  std::string language;
  std::optional<ExportFormat> format;
  std::string output;  // empty: standard output
  // Threads that test file contents; none given: the setting's.
  std::optional<unsigned> threads;

  bool filterGiven() const {
    return savedFilter || mask || exclude || fromDate || fromTime || toDate || toTime || minSize ||
           maxSize || attributes;
  }
  // The filter the run applies: the saved one (when asked for) with the given fields on top.
  FilterRecord filter(const FilterRecord& saved) const;
};

// Fills `out` from the arguments (without the program name); returns an empty text, or a
// one-line usage error. Two-digit years of dates take the century of `currentYear`.
std::string parseFindOptions(int argc, const char* const* argv, FindOptions& out,
                             uint32_t currentYear);

// The text --help prints.
const char* findUsage();

}  // namespace ostrya
