// portable: no platform headers.
#include "engines/zip/prefix_code_table.h"

#include <algorithm>
#include <array>

namespace ostrya::engines::zip {
namespace {

// Deflate's codes stop at 15 bits, imploding's at 16.
constexpr unsigned kMaxLength = 16;
constexpr std::size_t kMaxSymbols = 320;
constexpr unsigned kMaxRootBits = 12;

// Codes are defined most significant bit first but arrive least significant bit first.
uint32_t reversed(uint32_t code, unsigned length) {
  uint32_t result = 0;
  for (unsigned i = 0; i < length; ++i) {
    result = (result << 1) | (code & 1);
    code >>= 1;
  }
  return result;
}

}  // namespace

CodeShape buildPrefixCode(std::span<const uint8_t> lengths, std::span<const SymbolMeaning> meanings,
                          PrefixCodeLayout layout, std::span<PrefixEntry> entries) {
  const unsigned root = layout.rootBits;
  const uint32_t rootSize = uint32_t{1} << root;
  if (lengths.size() > kMaxSymbols || root > kMaxRootBits || layout.longestCode > kMaxLength)
    return CodeShape::Oversubscribed;

  std::array<unsigned, kMaxLength + 1> count{};
  unsigned longest = 0;
  for (const uint8_t length : lengths) {
    if (length > layout.longestCode) return CodeShape::Oversubscribed;
    ++count[length];
    longest = std::max<unsigned>(longest, length);
  }
  const PrefixEntry none{0, 0, kNoSuchCode};
  std::ranges::fill(entries.first(rootSize), none);
  if (longest == 0) return CodeShape::Empty;

  // How many codes of each length are still free once the shorter ones are placed.
  int64_t left = 1;
  for (unsigned length = 1; length <= kMaxLength; ++length) {
    left = left * 2 - count[length];
    if (left < 0) return CodeShape::Oversubscribed;
  }
  // zlib takes a lone one-bit code too: deflate encoders write one for a single distance.
  if (left != 0 && longest != 1) return CodeShape::Incomplete;
  const CodeShape shape = left == 0 ? CodeShape::Complete : CodeShape::LoneOneBitCode;

  // The canonical code: shorter codes first, equal lengths in symbol order.
  std::array<uint32_t, kMaxLength + 2> next{};
  for (unsigned length = 1; length <= kMaxLength; ++length)
    next[length + 1] = (next[length] + count[length]) << 1;
  std::array<uint32_t, kMaxSymbols> stream{};
  for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    const unsigned length = lengths[symbol];
    if (length == 0) continue;
    uint32_t code = next[length]++;
    if (layout.complemented) code = ~code & ((uint32_t{1} << length) - 1);
    stream[symbol] = reversed(code, length);
  }

  // Second-level tables: one per root slot that longer codes start with, wide enough for the
  // longest of them.
  std::array<uint8_t, std::size_t{1} << kMaxRootBits> depth{};
  for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    const unsigned length = lengths[symbol];
    if (length <= root) continue;
    uint8_t& slot = depth[stream[symbol] & (rootSize - 1)];
    slot = std::max<uint8_t>(slot, static_cast<uint8_t>(length - root));
  }
  std::size_t used = rootSize;
  for (uint32_t slot = 0; slot < rootSize; ++slot) {
    if (depth[slot] == 0) continue;
    const std::size_t size = std::size_t{1} << depth[slot];
    entries[slot] = {static_cast<uint16_t>(used), depth[slot], kSecondLevel};
    std::ranges::fill(entries.subspan(used, size), none);
    used += size;
  }

  for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    const unsigned length = lengths[symbol];
    if (length == 0) continue;
    const PrefixEntry entry{meanings[symbol].value, static_cast<uint8_t>(length),
                            meanings[symbol].op};
    const uint32_t code = stream[symbol];
    if (length <= root) {
      for (uint32_t slot = code; slot < rootSize; slot += uint32_t{1} << length)
        entries[slot] = entry;
      continue;
    }
    const PrefixEntry& link = entries[code & (rootSize - 1)];
    const uint32_t size = uint32_t{1} << link.bits;
    for (uint32_t slot = code >> root; slot < size; slot += uint32_t{1} << (length - root))
      entries[link.value + slot] = entry;
  }
  return shape;
}

}  // namespace ostrya::engines::zip
