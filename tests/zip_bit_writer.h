// Bits packed as the ZIP methods pack them, least significant first, for the test tree's
// encoders.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace ostrya::testing {

class BitWriter {
 public:
  void put(uint32_t value, unsigned count) {
    for (unsigned bit = 0; bit < count; ++bit, ++written_) {
      if (written_ % 8 == 0) bytes_.push_back(0);
      bytes_.back() |= static_cast<uint8_t>(((value >> bit) & 1) << (written_ % 8));
    }
  }
  // A prefix code, which goes out most significant bit first.
  void putCode(uint32_t code, unsigned length) {
    for (unsigned bit = length; bit-- > 0;) put((code >> bit) & 1, 1);
  }
  std::vector<uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t written_ = 0;
};

}  // namespace ostrya::testing
