// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/shell.h"
#include "search/name_match.h"
#include "search/search_request.h"

namespace ostrya {

class ConfigStore;

// Which bounds of a filter record are set.
enum FilterFlag : uint16_t {
  kFilterFromDate = 0x10,
  kFilterToDate = 0x20,
  kFilterFromTime = 0x40,
  kFilterToTime = 0x80,
  kFilterMinimumLength = 0x100,
  kFilterMaximumLength = 0x200,
};

// Read-only, hidden, system, folder, archive: the attribute bits a filter speaks about.
inline constexpr uint16_t kFilterAttributes = 0x37;
inline constexpr std::size_t kFilterMaskCapacity = 128;

// Dates and times are DOS values; a bound whose flag is clear is ignored.
struct FilterRecord {
  uint16_t flags = 0;
  uint16_t allowedAttributes = kFilterAttributes;
  char includePatterns[kFilterMaskCapacity] = "";
  char excludePatterns[kFilterMaskCapacity] = "";
  uint16_t fromDate = 0;
  uint16_t toDate = 0;
  uint16_t fromTime = 0;
  uint16_t toTime = 0;
  uint64_t minimumLength = 0;
  uint64_t maximumLength = 0;
};

// The configuration value `Filter`: every field but the masks, which come back empty. A value
// that is not exactly sixteen numbers gives all attributes allowed and no bounds.
FilterRecord parseFilterValue(const char* value);
std::string formatFilterValue(const FilterRecord& record);

// The keys `Filter`, `FtlPat` and `FtlExl` of the program's section.
FilterRecord loadFilter(ConfigStore& store);
void saveFilter(const FilterRecord& record, ConfigStore& store);

// A filter record with its masks prepared for a run. Built anew whenever the record changes.
class SearchFilter final : public CandidateFilter {
 public:
  SearchFilter(const FilterRecord& record, platform::PathMatchFunction secondChance);
  const FilterRecord& record() const { return record_; }
  // `name` without its path; `size` 0 when it is not known.
  bool accepts(const char* name, uint32_t attributes, uint16_t dosDate, uint16_t dosTime,
               uint64_t size) const override;

 private:
  bool passesDateAndTime(uint16_t dosDate, uint16_t dosTime) const;

  FilterRecord record_;
  NameMatcher include_;
  NameMatcher exclude_;
};

}  // namespace ostrya
