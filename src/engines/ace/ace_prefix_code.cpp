// portable: no platform headers.
#include "engines/ace/ace_prefix_code.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ostrya::engines::ace {
namespace {

// The symbol alphabet is the largest: 256 literals, 4 repeated distances, 23 distance classes.
constexpr std::size_t kMostSymbols = 283;

struct Ranking {
  uint8_t width[kMostSymbols + 1];
  uint16_t symbol[kMostSymbols];
};

void exchange(Ranking& ranking, int a, int b) {
  std::swap(ranking.width[a], ranking.width[b]);
  std::swap(ranking.symbol[a], ranking.symbol[b]);
}

// The compressor's quicksort, widest first, kept step for step: the order it leaves equal
// widths in decides which symbol gets which code. Each scan stops at the pivot or at a value an
// earlier exchange put behind it, so no index leaves [left, right].
void sortRange(Ranking& ranking, int left, int right) {
  int low = left;
  int high = right;
  const uint8_t pivot = ranking.width[right];
  do {
    while (ranking.width[low] > pivot) ++low;
    while (ranking.width[high] < pivot) --high;
    if (low <= high) exchange(ranking, low++, high--);
  } while (low < high);
  if (left < high) {
    if (left < high - 1)
      sortRange(ranking, left, high);
    else if (ranking.width[left] < ranking.width[high])
      exchange(ranking, left, high);
  }
  if (right > low) {
    if (low < right - 1)
      sortRange(ranking, low, right);
    else if (ranking.width[low] < ranking.width[right])
      exchange(ranking, low, right);
  }
}

}  // namespace

void PrefixTable::clear() {
  std::fill(std::begin(symbols_), std::end(symbols_), uint16_t{0});
}

bool PrefixTable::build(std::span<uint8_t> widths, unsigned tableWidth) {
  const std::size_t count = std::min(widths.size(), kMostSymbols);
  if (count == 0) return false;
  Ranking ranking;
  for (std::size_t i = 0; i < count; ++i) {
    ranking.width[i] = widths[i];
    ranking.symbol[i] = static_cast<uint16_t>(i);
  }
  if (count > 1) sortRange(ranking, 0, static_cast<int>(count) - 1);
  // Zero widths sort last; the one past the end stops the count.
  ranking.width[count] = 0;
  std::size_t used = 0;
  while (ranking.width[used] != 0) ++used;
  if (used < 2) {
    widths[ranking.symbol[0]] = 1;
    used = 1;
  }

  // Shortest codes first, each taking the slots of every bit pattern it begins.
  if (tableWidth > kWidestCode) return false;
  const uint32_t slots = uint32_t{1} << tableWidth;
  uint32_t filled = 0;
  for (std::size_t i = used; i-- > 0 && filled < slots;) {
    if (ranking.width[i] > tableWidth) return false;
    const uint32_t span = uint32_t{1} << (tableWidth - ranking.width[i]);
    if (span > slots - filled) return false;
    std::fill_n(symbols_ + filled, span, ranking.symbol[i]);
    filled += span;
  }
  return true;
}

}  // namespace ostrya::engines::ace
