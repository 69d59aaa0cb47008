// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ostrya::engines::ace {

// The widest code of the symbol and length alphabets, and of the alphabet their widths are
// sent in.
inline constexpr unsigned kWidestCode = 11;
inline constexpr unsigned kWidestWidthCode = 7;

// A lookup table over the next bits of the stream, giving the symbol they begin with. ACE hands
// out its codes in the order its compressor's quicksort leaves the symbols, so the table is
// built by that same sort: a code is the format's only if equal widths tie the same way.
class PrefixTable {
 public:
  // Every slot names symbol 0, as before the first code is made.
  void clear();
  // Makes the codes of `widths` (one per symbol) over the first 2^`tableWidth` slots, leaving
  // the slots the codes do not fill as they were. A lone symbol is given width 1, as the
  // compressor sends it. False when the codes overfill the table or a width exceeds the table's.
  bool build(std::span<uint8_t> widths, unsigned tableWidth);
  // The symbol of the code that begins the next `tableWidth` bits.
  uint16_t symbolAt(uint32_t bits) const { return symbols_[bits]; }

 private:
  uint16_t symbols_[std::size_t{1} << kWidestCode] = {};
};

}  // namespace ostrya::engines::ace
