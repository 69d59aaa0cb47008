// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/decoder_stream.h"
#include "engines/input_buffer.h"

namespace ostrya::engines::zip {

// The least significant bit first, as every ZIP method packs its codes. Reading past the end of
// the entry's data yields zero bits, so a decoder's loop needs no test per bit and checks
// `overrun()` where a stream must not end. Only bits taken past the end count: a table-driven
// decoder peeks as many bits as its longest code, which may reach past the last code.
class BitInput {
 public:
  explicit BitInput(CompressedInput& input) : bytes_(input) {}

  // The next `count` bits (0 to 25) without taking them.
  uint32_t peek(unsigned count) {
    fill(count);
    return static_cast<uint32_t>(bits_ & ((uint64_t{1} << count) - 1));
  }
  void skip(unsigned count) {
    fill(count);
    bits_ >>= count;
    held_ -= count;
  }
  uint32_t take(unsigned count) {
    const uint32_t value = peek(count);
    bits_ >>= count;
    held_ -= count;
    return value;
  }
  // Drops the bits up to the next byte boundary.
  void alignToByte() { skip(held_ % 8); }

  bool overrun() const { return held_ < padding_; }
  bool failed() const { return bytes_.failed(); }

 private:
  void fill(unsigned count) {
    if (held_ >= count) return;
    if (bytes_.heldCount() >= 8) {
      // Eight bytes at once (compilers make this one load), of which the whole ones that fit
      // are taken. Bits of the next byte may land above `held_`: taking that byte later ORs
      // the same bits into the same places.
      const uint8_t* next = bytes_.held();
      uint64_t word = 0;
      for (unsigned i = 0; i < 8; ++i) word |= uint64_t{next[i]} << (8 * i);
      bits_ |= word << held_;
      bytes_.drop((63 - held_) / 8);
      held_ |= 56;
      return;
    }
    while (held_ < count) {
      uint8_t byte = 0;
      if (!bytes_.next(byte)) {
        // Zero bits stand in for the missing ones.
        held_ += 8;
        padding_ += 8;
        continue;
      }
      bits_ |= uint64_t{byte} << held_;
      held_ += 8;
    }
  }
  InputBuffer bytes_;
  uint64_t bits_ = 0;
  unsigned held_ = 0;
  // Zero bits added past the end. They sit above every real bit in hand, so bits were taken
  // past the end once fewer than these are held.
  uint64_t padding_ = 0;
};

}  // namespace ostrya::engines::zip
