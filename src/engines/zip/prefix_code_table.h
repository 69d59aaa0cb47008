// portable: no platform headers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engines/zip/bit_input.h"

namespace ostrya::engines::zip {

// What a decoded code stands for: a value and an operation, both chosen by the decoder.
struct SymbolMeaning {
  uint16_t value;
  uint8_t op;
};

// One slot of a lookup table. `bits` is the code's length, or for a link the width of the
// second-level table that `value` starts.
struct PrefixEntry {
  uint16_t value;
  uint8_t bits;
  uint8_t op;
};

// Ops the table keeps for itself; decoders use smaller ones.
constexpr uint8_t kNoSuchCode = 0xFE;
constexpr uint8_t kSecondLevel = 0xFF;

enum class CodeShape {
  // Every bit pattern starts a code.
  Complete,
  // A single one-bit code; the other bit decodes to kNoSuchCode.
  LoneOneBitCode,
  // Some patterns start no code, and there is more than one code. Not built.
  Incomplete,
  // More codes than the lengths allow, or a length beyond the table's longest.
  Oversubscribed,
  // No symbol has a code: every pattern decodes to kNoSuchCode.
  Empty,
};

struct PrefixCodeLayout {
  unsigned rootBits;
  unsigned longestCode;
  // The codes as written complemented, as imploding writes its Shannon-Fano codes.
  bool complemented;
};

// Fills `entries` for the canonical code of `lengths` (0 = no code), unless the shape says it
// was not built.
CodeShape buildPrefixCode(std::span<const uint8_t> lengths, std::span<const SymbolMeaning> meanings,
                          PrefixCodeLayout layout, std::span<PrefixEntry> entries);

// A lookup table of 2^RootBits slots and second-level tables for longer codes, sized for any
// code of up to `Symbols` symbols.
template <unsigned RootBits, unsigned LongestCode, unsigned Symbols>
class PrefixCodeTable {
 public:
  CodeShape build(std::span<const uint8_t> lengths, std::span<const SymbolMeaning> meanings,
                  bool complemented = false) {
    return buildPrefixCode(lengths, meanings, {RootBits, LongestCode, complemented}, entries_);
  }

  // A kNoSuchCode entry takes no bits.
  PrefixEntry decode(BitInput& input) const {
    const uint32_t bits = input.peek(LongestCode);
    PrefixEntry entry = entries_[bits & ((1u << RootBits) - 1)];
    if (entry.op == kSecondLevel)
      entry = entries_[entry.value + ((bits >> RootBits) & ((1u << entry.bits) - 1))];
    input.skip(entry.bits);
    return entry;
  }

 private:
  // A second-level table hangs off one root slot and holds at least one code of its own, so
  // there are no more of them than either.
  static constexpr std::size_t kCapacity =
      (std::size_t{1} << RootBits) + std::min<std::size_t>(Symbols, std::size_t{1} << RootBits) *
                                         (std::size_t{1} << (LongestCode - RootBits));

  PrefixEntry entries_[kCapacity];
};

}  // namespace ostrya::engines::zip
