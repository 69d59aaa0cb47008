// What the fuzz targets of the method decoders share: the input handed out in pieces that
// do not line up with the bit reader's buffer, and an output that reads every byte it is given,
// refuses more than a cap, and traps on a byte past the entry's stated size, which the methods
// without an end marker must never write.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engines/decoder_stream.h"

namespace ostrya::fuzzing {

class FuzzInput final : public engines::CompressedInput {
 public:
  FuzzInput(const uint8_t* data, std::size_t size, std::size_t piece = 1021)
      : data_(data), left_(size), piece_(piece) {}
  bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    got = std::min({capacity, left_, piece_});
    if (got > 0) std::memcpy(buffer, data_, got);
    data_ += got;
    left_ -= got;
    return true;
  }

 private:
  const uint8_t* data_;
  std::size_t left_;
  std::size_t piece_;
};

class CappedOutput final : public engines::DecodedOutput {
 public:
  explicit CappedOutput(std::size_t cap, uint64_t stated = UINT64_MAX)
      : left_(cap), stated_(stated) {}
  bool write(const uint8_t* bytes, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i) sum_ += bytes[i];
    written_ += count;
    if (written_ > stated_) __builtin_trap();
    if (count > left_) return false;
    left_ -= count;
    return true;
  }
  uint64_t written() const { return written_; }

 private:
  std::size_t left_;
  uint64_t stated_;
  uint64_t written_ = 0;
  uint64_t sum_ = 0;
};

}  // namespace ostrya::fuzzing
