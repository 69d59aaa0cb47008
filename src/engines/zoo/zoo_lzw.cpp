// portable: no platform headers.
#include "engines/zoo/zoo_lzw.h"

#include <memory>
#include <new>

#include "engines/byte_input.h"
#include "engines/zip/bit_input.h"

namespace ostrya::engines::zoo {
namespace {

constexpr unsigned kFirstWidth = 9;
constexpr unsigned kLastWidth = 13;
constexpr uint32_t kCodes = uint32_t{1} << kLastWidth;
// After the 256 literals: the clear code, the end code, then the table's own codes.
constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;
constexpr uint32_t kFirstFree = 258;
constexpr uint32_t kNoCode = kCodes;

class Unlzw {
 public:
  Unlzw(CompressedInput& input, DecodedOutput& output) : bits_(input), output_(output) {}

  Decoded run() {
    clear();
    for (;;) {
      const uint32_t code = bits_.take(width_);
      // The end code ends the data; running out of bits before it is damage.
      if (bits_.overrun()) return bits_.failed() ? Decoded::InputFailed : damaged();
      if (code == kEnd) return output_.flush() ? Decoded::Complete : Decoded::OutputStopped;
      if (code == kClear) {
        clear();
        continue;
      }
      // The first code after a clear is a literal and makes no node.
      if (previous_ == kNoCode) {
        if (code >= kClear) return damaged();
        if (!output_.put(static_cast<uint8_t>(code))) return Decoded::OutputStopped;
        previous_ = code;
        continue;
      }
      std::size_t start;
      if (code < free_) {
        start = spell(code, kCodes);
      } else if (code == free_) {
        // The node the compressor made from the previous string and this one's first byte,
        // sent before the decoder could make it: the previous string and its own first byte.
        start = spell(previous_, kCodes - 1);
        stack_[kCodes - 1] = stack_[start];
      } else {
        return damaged();
      }
      for (std::size_t i = start; i < kCodes; ++i)
        if (!output_.put(stack_[i])) return Decoded::OutputStopped;
      add(previous_, stack_[start]);
      previous_ = code;
    }
  }

 private:
  void clear() {
    width_ = kFirstWidth;
    free_ = kFirstFree;
    previous_ = kNoCode;
  }

  // Writes a node's string to end just before `end` and returns where it starts. A node's
  // prefix is always a smaller code, so the walk ends at a literal.
  std::size_t spell(uint32_t code, std::size_t end) {
    std::size_t at = end;
    while (code >= kFirstFree) {
      stack_[--at] = last_[code];
      code = prefix_[code];
    }
    stack_[--at] = static_cast<uint8_t>(code);
    return at;
  }

  // What was decoded before the damage is good and reaches the output.
  Decoded damaged() {
    output_.flush();
    return Decoded::Damaged;
  }

  // ZOO widens the codes once the next free code reaches the width's limit; the compressor,
  // a node ahead, sends its first wider code just after. A full table makes no more nodes
  // until the compressor clears it.
  void add(uint32_t prefix, uint8_t last) {
    if (free_ == kCodes) return;
    prefix_[free_] = static_cast<uint16_t>(prefix);
    last_[free_] = last;
    ++free_;
    if (free_ >= (uint32_t{1} << width_) && width_ < kLastWidth) ++width_;
  }

  zip::BitInput bits_;
  BufferedOutput output_;
  unsigned width_ = kFirstWidth;
  uint32_t free_ = kFirstFree;
  uint32_t previous_ = kNoCode;
  uint16_t prefix_[kCodes];
  uint8_t last_[kCodes];
  // One string, built from its end backwards: a chain of nodes and its literal, and the byte a
  // node sent before it was made adds.
  uint8_t stack_[kCodes];
};

}  // namespace

Decoded unlzw(CompressedInput& input, DecodedOutput& output) {
  std::unique_ptr<Unlzw> decoder(new (std::nothrow) Unlzw(input, output));
  if (!decoder) return Decoded::NoMemory;
  return decoder->run();
}

}  // namespace ostrya::engines::zoo
