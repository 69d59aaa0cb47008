// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/decoder_stream.h"
#include "engines/input_buffer.h"

namespace ostrya::engines::arj {

// The most significant bit first, as ARJ packs its codes. ARJ marks no end of an entry's data:
// the entry's size ends decoding, bits past the compressed bytes read as zeros, and damage shows
// in the CRC-32 of what was decoded.
class BitInput {
 public:
  explicit BitInput(CompressedInput& input) : bytes_(input) {}
  BitInput(const BitInput&) = delete;
  BitInput& operator=(const BitInput&) = delete;

  // The next 16 bits, the first in the top bit, without taking them: the tables look codes up
  // by them.
  uint32_t peek16() {
    fill(16);
    return static_cast<uint32_t>(bits_ >> 48);
  }
  // The next `count` bits (0 to 24) as a number.
  uint32_t take(unsigned count) {
    if (count == 0) return 0;
    fill(count);
    const auto value = static_cast<uint32_t>(bits_ >> (64 - count));
    bits_ <<= count;
    held_ -= count;
    return value;
  }
  void skip(unsigned count) { take(count); }

  bool failed() const { return bytes_.failed(); }

 private:
  void fill(unsigned count) {
    while (held_ < count) {
      uint8_t byte = 0;
      if (!bytes_.next(byte)) {
        // Zero bits stand in for the missing ones.
        held_ += 8;
        continue;
      }
      bits_ |= uint64_t{byte} << (56 - held_);
      held_ += 8;
    }
  }
  InputBuffer bytes_;
  // The bits in hand, the next one in the top bit; at most 32 of them.
  uint64_t bits_ = 0;
  unsigned held_ = 0;
};

}  // namespace ostrya::engines::arj
