// portable: no platform headers.
#include "engines/zip/explode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "engines/zip/bit_input.h"
#include "engines/zip/match_copy.h"
#include "engines/zip/prefix_code_table.h"

namespace ostrya::engines::zip {
namespace {

constexpr uint16_t kLargeWindowFlag = 1u << 1;
constexpr uint16_t kLiteralCodeFlag = 1u << 2;

constexpr std::size_t kLargeWindow = 8 * 1024;
// Length code 63 takes eight more bits; three is the longer of the two shortest matches.
constexpr unsigned kLastLengthCode = 63;
constexpr std::size_t kLongestMatch = 3 + kLastLengthCode + 255;
constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::size_t kHandOverAt = kBufferSize - kLongestMatch - kMatchCopySlack;

constexpr unsigned kLiteralSymbols = 256;
// The length code and the code for a distance's upper six bits.
constexpr unsigned kSixBitSymbols = 64;

constexpr std::array<SymbolMeaning, kLiteralSymbols> kSymbols = [] {
  std::array<SymbolMeaning, kLiteralSymbols> meanings{};
  for (unsigned symbol = 0; symbol < kLiteralSymbols; ++symbol)
    meanings[symbol] = {static_cast<uint16_t>(symbol), 0};
  return meanings;
}();

// Shannon-Fano codes run to 16 bits.
using LiteralTable = PrefixCodeTable<10, 16, kLiteralSymbols>;
using SixBitTable = PrefixCodeTable<8, 16, kSixBitSymbols>;

class Exploder {
 public:
  Exploder(CompressedInput& input, DecodedOutput& output, uint64_t size, uint16_t flags)
      : input_(input),
        output_(output),
        remaining_(size),
        literalCode_((flags & kLiteralCodeFlag) != 0),
        lowDistanceBits_((flags & kLargeWindowFlag) != 0 ? 7 : 6),
        shortestMatch_(literalCode_ ? 3 : 2) {
    // APPNOTE does not say what a distance reaching before the first byte means. PKZIP's
    // decoder read it from a window that starts zeroed, and Info-ZIP's unzip gives zeros too,
    // so a zeroed window's worth lies ahead of the first byte.
    std::memset(buffer_, 0, kLargeWindow);
  }

  Decoded run() {
    if (literalCode_ && !readCode(literals_, kLiteralSymbols)) return damaged();
    if (!readCode(lengths_, kSixBitSymbols) || !readCode(distances_, kSixBitSymbols))
      return damaged();
    while (remaining_ != 0) {
      if (end_ > kHandOverAt) {
        const Decoded handed = handOver();
        if (handed != Decoded::Complete) return handed;
      }
      if (input_.take(1) != 0) {
        const uint32_t literal = literalCode_ ? literals_.decode(input_).value : input_.take(8);
        buffer_[end_++] = static_cast<uint8_t>(literal);
        --remaining_;
        continue;
      }
      // The complete codes the descriptions must give leave no pattern undecodable.
      const uint32_t low = input_.take(lowDistanceBits_);
      const std::size_t distance =
          ((std::size_t{distances_.decode(input_).value} << lowDistanceBits_) | low) + 1;
      std::size_t length = lengths_.decode(input_).value;
      if (length == kLastLengthCode) length += input_.take(8);
      length = std::min<uint64_t>(length + shortestMatch_, remaining_);
      copyMatch(buffer_ + end_, distance, length);
      end_ += length;
      remaining_ -= length;
    }
    return handOver();
  }

 private:
  Decoded damaged() const { return input_.failed() ? Decoded::InputFailed : Decoded::Damaged; }

  // Gives the output what was decoded since the last time and keeps one large window of
  // history ahead of `end_`. The input is checked first, so nothing decoded from the zero bits
  // past its end reaches the output.
  Decoded handOver() {
    if (input_.failed()) return Decoded::InputFailed;
    if (input_.overrun()) return Decoded::Damaged;
    if (end_ != given_ && !output_.write(buffer_ + given_, end_ - given_))
      return Decoded::OutputStopped;
    std::memmove(buffer_, buffer_ + end_ - kLargeWindow, kLargeWindow);
    end_ = given_ = kLargeWindow;
    return Decoded::Complete;
  }

  // A code is described by its lengths in symbol order, as runs: a byte giving the number of
  // bytes less one, then one byte per run, its low nibble the length less one, its high
  // nibble the run's size less one. Every symbol has a code, and the codes must fill the code
  // space: a Shannon-Fano split leaves no gap.
  template <typename Table>
  bool readCode(Table& table, unsigned symbols) {
    std::array<uint8_t, kLiteralSymbols> lengths;
    const unsigned runs = input_.take(8) + 1;
    unsigned filled = 0;
    for (unsigned run = 0; run < runs; ++run) {
      const unsigned byte = input_.take(8);
      const unsigned size = (byte >> 4) + 1;
      if (size > symbols - filled) return false;
      std::memset(lengths.data() + filled, (byte & 0x0F) + 1, size);
      filled += size;
    }
    if (filled != symbols || input_.overrun()) return false;
    // Imploding writes its codes complemented.
    return table.build(std::span(lengths).first(symbols), std::span(kSymbols).first(symbols),
                       true) == CodeShape::Complete;
  }

  BitInput input_;
  DecodedOutput& output_;
  uint64_t remaining_;
  const bool literalCode_;
  const unsigned lowDistanceBits_;
  const unsigned shortestMatch_;
  // The bytes decoded lie before `end_`; those before `given_` are history or already with
  // the output.
  std::size_t end_ = kLargeWindow;
  std::size_t given_ = kLargeWindow;
  LiteralTable literals_;
  SixBitTable lengths_;
  SixBitTable distances_;
  uint8_t buffer_[kBufferSize];
};

}  // namespace

Decoded explode(CompressedInput& input, DecodedOutput& output, uint64_t size, uint16_t flags) {
  // Off the stack: a decoder may run on a worker thread with a small stack.
  std::unique_ptr<Exploder> exploder(new (std::nothrow) Exploder(input, output, size, flags));
  if (!exploder) return Decoded::NoMemory;
  return exploder->run();
}

}  // namespace ostrya::engines::zip
