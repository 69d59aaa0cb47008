// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines {

// An entry's compressed bytes one at a time, for the byte-oriented decoders.
class ByteInput {
 public:
  explicit ByteInput(CompressedInput& input) : input_(input) {}

  // False at the end of the entry's data or when the archive could not be read.
  bool next(uint8_t& byte) {
    if (next_ == end_ && !refill()) return false;
    byte = *next_++;
    return true;
  }
  // Up to `count` bytes; fewer only at the end of the data.
  std::size_t take(uint8_t* bytes, std::size_t count) {
    std::size_t got = 0;
    while (got < count && next(bytes[got])) ++got;
    return got;
  }
  bool failed() const { return failed_; }

 private:
  bool refill() {
    if (ended_ || failed_) return false;
    std::size_t got = 0;
    if (!input_.read(buffer_, sizeof buffer_, got)) {
      failed_ = true;
      return false;
    }
    next_ = buffer_;
    end_ = buffer_ + got;
    ended_ = got == 0;
    return !ended_;
  }

  CompressedInput& input_;
  uint8_t buffer_[16384];
  const uint8_t* next_ = buffer_;
  const uint8_t* end_ = buffer_;
  bool ended_ = false;
  bool failed_ = false;
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
