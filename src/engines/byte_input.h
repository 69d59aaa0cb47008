// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/decoder_stream.h"
#include "engines/input_buffer.h"

namespace ostrya::engines {

// An entry's compressed bytes one at a time, for the byte-oriented decoders.
class ByteInput {
 public:
  explicit ByteInput(CompressedInput& input) : bytes_(input) {}

  // False at the end of the entry's data or when the archive could not be read.
  bool next(uint8_t& byte) { return bytes_.next(byte); }
  // Up to `count` bytes; fewer only at the end of the data.
  std::size_t take(uint8_t* bytes, std::size_t count) {
    std::size_t got = 0;
    while (got < count && next(bytes[got])) ++got;
    return got;
  }
  bool failed() const { return bytes_.failed(); }

 private:
  InputBuffer bytes_;
};

// Collects decoded bytes and hands them on in large writes: the byte-at-a-time decoders would
// otherwise cost the output a call per byte.
class BufferedOutput {
 public:
  explicit BufferedOutput(DecodedOutput& output) : output_(output) {}

  bool put(uint8_t byte) {
    if (held_ == sizeof buffer_ && !flush()) return false;
    buffer_[held_++] = byte;
    return true;
  }
  bool flush() {
    const std::size_t count = held_;
    held_ = 0;
    return count == 0 || output_.write(buffer_, count);
  }

 private:
  DecodedOutput& output_;
  uint8_t buffer_[16384];
  std::size_t held_ = 0;
};

}  // namespace ostrya::engines
