// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::engines::arj {

// A canonical prefix code as ARJ looks it up: the first `width` of the next 16 bits index a
// table whose entry is a symbol, or for a longer code the root of a tree walked one bit at a
// time. The widths are 12 for characters and lengths and 8 for positions and code lengths.
class PrefixTable {
 public:
  static constexpr unsigned kMaxSymbols = 510;
  static constexpr unsigned kLongestCode = 16;

  explicit PrefixTable(unsigned width) : width_(width) {}

  // Every input decodes to `symbol`, taking no bits: a block that uses one code only.
  void fillWith(unsigned symbol);
  // From the lengths of `count` symbols (0 for symbols without a code). False when the lengths
  // claim more codes than 16 bits can tell apart: their codes would not fit the table.
  bool build(const uint8_t* lengths, unsigned count);

  // The symbol whose code begins `next16`, the next 16 bits of the input. A tree node lies at
  // most 16 - width steps below the table, which is as many bits as `next16` has left.
  unsigned decode(uint32_t next16) const {
    unsigned entry = table_[next16 >> (kLongestCode - width_)];
    for (uint32_t mask = 1u << (kLongestCode - 1 - width_); entry >= count_; mask >>= 1)
      entry = (next16 & mask) != 0 ? right_[entry] : left_[entry];
    return entry;
  }
  // The length of a symbol's code, which the caller takes from the input after decoding it.
  unsigned length(unsigned symbol) const { return lengths_[symbol]; }

 private:
  // A complete code of n symbols has n - 1 inner nodes; numbered after the symbols, the nodes
  // of the largest code take the indexes up to 2 * 510 - 2.
  static constexpr unsigned kNodes = 2 * kMaxSymbols - 1;
  static constexpr unsigned kLargestTable = 1u << 12;

  unsigned width_;
  unsigned count_ = 0;
  uint8_t lengths_[kMaxSymbols] = {};
  uint16_t table_[kLargestTable] = {};
  uint16_t left_[kNodes] = {};
  uint16_t right_[kNodes] = {};
};

}  // namespace ostrya::engines::arj
