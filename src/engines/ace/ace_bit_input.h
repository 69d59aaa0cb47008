// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/decoder_stream.h"
#include "engines/input_buffer.h"

namespace ostrya::engines::ace {

// ACE's compressor packs its codes into 32-bit little-endian words, most significant bit first.
// Bits past the end of the entry's data read as zero, so that a decoder peeks its widest code
// without a test per bit; `overrun()` tells when more bits were taken than the data holds.
class BitInput {
 public:
  explicit BitInput(CompressedInput& input) : bytes_(input) {}

  // The next `count` bits (0 to 32) without taking them.
  uint32_t peek(unsigned count) {
    if (count == 0) return 0;
    if (held_ < count) fill();
    return static_cast<uint32_t>(bits_ >> (64 - count));
  }
  void skip(unsigned count) {
    if (count == 0) return;
    if (held_ < count) fill();
    bits_ <<= count;
    held_ -= count;
    taken_ += count;
  }
  uint32_t take(unsigned count) {
    const uint32_t value = peek(count);
    skip(count);
    return value;
  }

  bool overrun() const { return taken_ > available_; }
  bool failed() const { return bytes_.failed(); }

 private:
  // Tops up to at least 33 bits: whole words go in below the bits held. A word cut short by
  // the end of the data counts as missing whole: its first bits are in its last byte.
  void fill() {
    while (held_ <= 32) {
      uint32_t word = 0;
      bool whole = true;
      for (unsigned i = 0; i < 4; ++i) {
        uint8_t byte = 0;
        if (!bytes_.next(byte)) {
          whole = false;
          break;
        }
        word |= uint32_t{byte} << (8 * i);
      }
      if (whole) available_ += 32;
      bits_ |= uint64_t{word} << (32 - held_);
      held_ += 32;
    }
  }
  InputBuffer bytes_;
  // The bits held, the next one at the top.
  uint64_t bits_ = 0;
  unsigned held_ = 0;
  uint64_t taken_ = 0;
  uint64_t available_ = 0;
};

}  // namespace ostrya::engines::ace
