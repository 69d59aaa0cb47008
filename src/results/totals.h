// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/text_lookup.h"

namespace ostrya {

// Folders, files, bytes of the files, entries inside archives.
struct Totals {
  uint64_t folders = 0;
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint64_t archiveEntries = 0;
};

enum class TotalsKind { Total, Selected };

// Longest totals text, in characters.
inline constexpr std::size_t kMaxTotalsText = 511;

// "Total 3 files, 1 folder, 1.234 bytes"; a stopped run's Total text ends with
// " - search canceled".
std::string totalsText(const Totals& totals, TotalsKind kind, bool canceled,
                       const TextLookup& texts, char thousandsSeparator);

// Decimal digits with the separator between groups of three, counted from the right.
std::string groupedNumber(uint64_t value, char thousandsSeparator);

}  // namespace ostrya
