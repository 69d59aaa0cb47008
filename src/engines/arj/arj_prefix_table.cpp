// portable: no platform headers.
#include "engines/arj/arj_prefix_table.h"

#include <algorithm>
#include <iterator>

namespace ostrya::engines::arj {

void PrefixTable::fillWith(unsigned symbol) {
  count_ = symbol + 1;
  std::fill(std::begin(lengths_), std::end(lengths_), uint8_t{0});
  std::fill(std::begin(table_), std::end(table_), static_cast<uint16_t>(symbol));
}

// Codes are given out shortest first and, within a length, in symbol order. Each is worked out
// left-aligned in 16 bits, so a short code's table entries and a long code's path both start
// at its top `width_` bits. Entries and children that no code reaches stay 0, symbol 0, as
// ARJ's own tables leave them: an incomplete code still decodes, to what the CRC-32 refuses.
bool PrefixTable::build(const uint8_t* lengths, unsigned count) {
  unsigned perLength[kLongestCode + 1] = {};
  for (unsigned symbol = 0; symbol < count; ++symbol) {
    if (lengths[symbol] > kLongestCode) return false;
    ++perLength[lengths[symbol]];
  }
  // The first code of each length; the space after the longest must not pass 2^16.
  uint32_t next[kLongestCode + 2] = {};
  for (unsigned length = 1; length <= kLongestCode; ++length)
    next[length + 1] = next[length] + (perLength[length] << (kLongestCode - length));
  if (next[kLongestCode + 1] > (uint32_t{1} << kLongestCode)) return false;

  count_ = count;
  std::copy(lengths, lengths + count, lengths_);
  std::fill(std::begin(table_), std::end(table_), uint16_t{0});
  const unsigned drop = kLongestCode - width_;
  unsigned nextNode = count;
  for (unsigned symbol = 0; symbol < count; ++symbol) {
    const unsigned length = lengths[symbol];
    if (length == 0) continue;
    const uint32_t code = next[length];
    next[length] += uint32_t{1} << (kLongestCode - length);
    if (length <= width_) {
      std::fill(table_ + (code >> drop), table_ + (next[length] >> drop),
                static_cast<uint16_t>(symbol));
      continue;
    }
    // The codes are prefix-free, so what the path meets below count_ is an entry no code has
    // reached yet, never another code's symbol.
    uint16_t* at = &table_[code >> drop];
    for (unsigned bit = width_; bit < length; ++bit) {
      if (*at < count_) {
        // The nodes of a code that fits 16 bits fit the arrays; the test keeps that so.
        if (nextNode >= kNodes) return false;
        left_[nextNode] = right_[nextNode] = 0;
        *at = static_cast<uint16_t>(nextNode++);
      }
      at = (code & (0x8000u >> bit)) != 0 ? &right_[*at] : &left_[*at];
    }
    *at = static_cast<uint16_t>(symbol);
  }
  return true;
}

}  // namespace ostrya::engines::arj
