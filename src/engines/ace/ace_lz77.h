// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/decoder_stream.h"

namespace ostrya::engines::ace {

// The largest dictionary the format allows, 4 MiB, as a power of two.
inline constexpr unsigned kLargestDictionaryBits = 22;
// The dictionary an LZ77 entry's parameter asks for, as a power of two: 10 to 25, of which
// the format allows up to kLargestDictionaryBits.
constexpr unsigned dictionaryBits(uint16_t parameter) {
  return (parameter & 15u) + 10u;
}

// The entries of one archive, decoded in their order. In a solid archive the dictionary carries
// over: an entry's matches may reach back into the entries before it, stored ones included, so
// every entry before the one wanted goes through the same decoder.
class Lz77Decoder {
 public:
  explicit Lz77Decoder(bool solid) : solid_(solid) {}

  // Compression type 1: exactly `size` bytes to `output`. Damaged for data that breaks the
  // method's rules, ends too early, would give more than `size` bytes, or for a parameter
  // beyond the format's dictionary.
  Decoded decompress(CompressedInput& input, DecodedOutput& output, uint64_t size,
                     uint16_t parameter);
  // Compression type 0: `size` bytes copied; Damaged when the data holds fewer.
  Decoded copyStored(CompressedInput& input, DecodedOutput& output, uint64_t size);

 private:
  class Run;

  unsigned windowBitsFor(uint64_t size) const;
  bool reserve(unsigned bits);
  // Appends to the history bytes that went out without passing through the window.
  void remember(const uint8_t* bytes, std::size_t count);

  bool solid_;
  // The window of the most recent bytes, a ring of `windowSize_` bytes (a power of two) of
  // which `filled_` hold history; the next byte goes to `position_`.
  std::unique_ptr<uint8_t[]> window_;
  uint32_t windowSize_ = 0;
  uint32_t position_ = 0;
  uint32_t filled_ = 0;
};

}  // namespace ostrya::engines::ace
