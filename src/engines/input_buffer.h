// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/decoder_stream.h"

namespace ostrya::engines {

// An entry's compressed bytes, read from the input in large blocks so that the decoders' bit and
// byte readers pay a call only per block. Once the input ends or fails, it is not asked again.
class InputBuffer {
 public:
  explicit InputBuffer(CompressedInput& input) : input_(input) {}
  InputBuffer(const InputBuffer&) = delete;
  InputBuffer& operator=(const InputBuffer&) = delete;

  // False at the end of the entry's data or when the archive could not be read.
  bool next(uint8_t& byte) {
    if (next_ == end_ && !refill()) return false;
    byte = *next_++;
    return true;
  }
  // The bytes in hand, for a reader that takes several at once where enough are here.
  const uint8_t* held() const { return next_; }
  std::size_t heldCount() const { return static_cast<std::size_t>(end_ - next_); }
  void drop(std::size_t count) { next_ += count; }

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

}  // namespace ostrya::engines
