// portable: no platform headers.
#include "engines/zip/deflate64.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "engines/zip/bit_input.h"
#include "engines/zip/match_copy.h"
#include "engines/zip/prefix_code_table.h"

namespace ostrya::engines::zip {
namespace {

constexpr std::size_t kWindow = 64 * 1024;
// Length code 285 is deflate's 258 but here 3 plus 16 extra bits.
constexpr std::size_t kLongestMatch = 3 + 0xFFFF;
// History, plus room to decode three windows' worth before handing them over at once.
constexpr std::size_t kBufferSize = 4 * kWindow;
// Below this, any match or stored block fits.
constexpr std::size_t kHandOverAt = kBufferSize - kLongestMatch - kMatchCopySlack;

// Ops of the lookup tables: up to kMostExtraBits, a length or distance base and how many extra
// bits follow it.
constexpr uint8_t kMostExtraBits = 16;
constexpr uint8_t kLiteral = 32;
constexpr uint8_t kEndOfBlock = 33;
// Literal/length symbols 286 and 287 take part in the fixed code but mean nothing.
constexpr uint8_t kUndefined = 34;

constexpr unsigned kLiteralLengthSymbols = 288;
constexpr unsigned kMostLiteralLengthCodes = 286;
constexpr unsigned kDistanceSymbols = 32;
constexpr unsigned kCodeLengthSymbols = 19;

constexpr std::array<SymbolMeaning, kLiteralLengthSymbols> kLiteralLengthMeanings = [] {
  std::array<SymbolMeaning, kLiteralLengthSymbols> meanings{};
  for (unsigned symbol = 0; symbol < 256; ++symbol)
    meanings[symbol] = {static_cast<uint16_t>(symbol), kLiteral};
  meanings[256] = {0, kEndOfBlock};
  unsigned base = 3;
  for (unsigned code = 0; code < 28; ++code) {
    const unsigned extra = code < 8 ? 0 : (code - 4) / 4;
    meanings[257 + code] = {static_cast<uint16_t>(base), static_cast<uint8_t>(extra)};
    base += 1u << extra;
  }
  meanings[285] = {3, 16};
  meanings[286] = meanings[287] = {0, kUndefined};
  return meanings;
}();

// Deflate's 30 distance codes and two more for 32769 to 65536.
constexpr std::array<SymbolMeaning, kDistanceSymbols> kDistanceMeanings = [] {
  std::array<SymbolMeaning, kDistanceSymbols> meanings{};
  unsigned base = 1;
  for (unsigned code = 0; code < kDistanceSymbols; ++code) {
    const unsigned extra = code < 4 ? 0 : (code - 2) / 2;
    meanings[code] = {static_cast<uint16_t>(base), static_cast<uint8_t>(extra)};
    base += 1u << extra;
  }
  return meanings;
}();

constexpr std::array<SymbolMeaning, kCodeLengthSymbols> kCodeLengthMeanings = [] {
  std::array<SymbolMeaning, kCodeLengthSymbols> meanings{};
  for (unsigned symbol = 0; symbol < kCodeLengthSymbols; ++symbol)
    meanings[symbol] = {static_cast<uint16_t>(symbol), 0};
  return meanings;
}();

// The order in which a dynamic block lists the code lengths' own code lengths.
constexpr std::array<uint8_t, kCodeLengthSymbols> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr std::array<uint8_t, kLiteralLengthSymbols> kFixedLiteralLengths = [] {
  std::array<uint8_t, kLiteralLengthSymbols> lengths{};
  for (unsigned symbol = 0; symbol < kLiteralLengthSymbols; ++symbol)
    lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
  return lengths;
}();

using LiteralLengthTable = PrefixCodeTable<10, 15, kLiteralLengthSymbols>;
using DistanceTable = PrefixCodeTable<8, 15, kDistanceSymbols>;
using CodeLengthTable = PrefixCodeTable<7, 7, kCodeLengthSymbols>;

class Inflater {
 public:
  Inflater(CompressedInput& input, DecodedOutput& output) : input_(input), output_(output) {}

  Decoded run() {
    for (;;) {
      if (input_.overrun()) return damaged();
      const bool final = input_.take(1) != 0;
      Decoded block = Decoded::Damaged;
      switch (input_.take(2)) {
        case 0:
          block = storedBlock();
          break;
        case 1:
          block = fixedBlock();
          break;
        case 2:
          block = dynamicBlock();
          break;
        default:
          return damaged();
      }
      if (block != Decoded::Complete) return block;
      if (final) return handOver();
    }
  }

 private:
  // Zero bits stand in for input that could not be read, and may look like damage.
  Decoded damaged() const { return input_.failed() ? Decoded::InputFailed : Decoded::Damaged; }

  // Gives the output what was decoded since the last time and keeps one window of history
  // at the start of the buffer. Checks the input first, so bytes decoded from the zero bits
  // past its end never reach the output.
  Decoded handOver() {
    if (input_.failed()) return Decoded::InputFailed;
    if (input_.overrun()) return Decoded::Damaged;
    if (end_ != given_ && !output_.write(buffer_ + given_, end_ - given_))
      return Decoded::OutputStopped;
    if (end_ > kWindow) {
      std::memmove(buffer_, buffer_ + end_ - kWindow, kWindow);
      end_ = kWindow;
    }
    given_ = end_;
    return Decoded::Complete;
  }

  Decoded storedBlock() {
    input_.alignToByte();
    const uint32_t length = input_.take(16);
    const uint32_t complement = input_.take(16);
    if (length != (~complement & 0xFFFF)) return damaged();
    if (end_ > kHandOverAt) {
      const Decoded handed = handOver();
      if (handed != Decoded::Complete) return handed;
    }
    uint8_t* to = buffer_ + end_;
    for (uint32_t i = 0; i < length; ++i) to[i] = static_cast<uint8_t>(input_.take(8));
    end_ += length;
    return Decoded::Complete;
  }

  Decoded fixedBlock() {
    if (!fixedCodes_) {
      literals_.build(kFixedLiteralLengths, kLiteralLengthMeanings);
      std::array<uint8_t, kDistanceSymbols> distanceLengths;
      distanceLengths.fill(5);
      distances_.build(distanceLengths, kDistanceMeanings);
      fixedCodes_ = true;
    }
    return codedData();
  }

  Decoded dynamicBlock() {
    fixedCodes_ = false;
    const unsigned literalCount = input_.take(5) + 257;
    const unsigned distanceCount = input_.take(5) + 1;
    const unsigned codeLengthCount = input_.take(4) + 4;
    if (literalCount > kMostLiteralLengthCodes) return damaged();

    std::array<uint8_t, kCodeLengthSymbols> codeLengthLengths{};
    for (unsigned i = 0; i < codeLengthCount; ++i)
      codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(input_.take(3));
    // zlib accepts no gaps in this code, not even a lone code.
    if (codeLengths_.build(codeLengthLengths, kCodeLengthMeanings) != CodeShape::Complete)
      return damaged();

    std::array<uint8_t, kMostLiteralLengthCodes + kDistanceSymbols> lengths{};
    const unsigned total = literalCount + distanceCount;
    unsigned filled = 0;
    while (filled < total) {
      const unsigned symbol = codeLengths_.decode(input_).value;
      if (symbol < 16) {
        lengths[filled++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint8_t repeated = 0;
      unsigned times = 0;
      if (symbol == 16) {
        if (filled == 0) return damaged();
        repeated = lengths[filled - 1];
        times = 3 + input_.take(2);
      } else if (symbol == 17) {
        times = 3 + input_.take(3);
      } else {
        times = 11 + input_.take(7);
      }
      if (times > total - filled) return damaged();
      std::memset(lengths.data() + filled, repeated, times);
      filled += times;
    }

    const std::span<const uint8_t> all(lengths.data(), total);
    // As zlib: a block that could never end is refused at once.
    if (all[256] == 0) return damaged();
    const CodeShape literalShape = literals_.build(
        all.first(literalCount), std::span(kLiteralLengthMeanings).first(literalCount));
    if (literalShape != CodeShape::Complete && literalShape != CodeShape::LoneOneBitCode)
      return damaged();
    // A block of literals alone may give no distance code at all.
    const CodeShape distanceShape = distances_.build(
        all.subspan(literalCount), std::span(kDistanceMeanings).first(distanceCount));
    if (distanceShape == CodeShape::Incomplete || distanceShape == CodeShape::Oversubscribed)
      return damaged();
    return codedData();
  }

  Decoded codedData() {
    for (;;) {
      if (end_ > kHandOverAt) {
        const Decoded handed = handOver();
        if (handed != Decoded::Complete) return handed;
      }
      const PrefixEntry symbol = literals_.decode(input_);
      if (symbol.op == kLiteral) {
        buffer_[end_++] = static_cast<uint8_t>(symbol.value);
        continue;
      }
      if (symbol.op > kMostExtraBits)
        return symbol.op == kEndOfBlock ? Decoded::Complete : damaged();
      const std::size_t length = symbol.value + input_.take(symbol.op);
      const PrefixEntry code = distances_.decode(input_);
      if (code.op > kMostExtraBits) return damaged();
      const std::size_t distance = code.value + input_.take(code.op);
      // Once history has been kept, a whole window lies behind `end_`.
      if (distance > end_) return damaged();
      copyMatch(buffer_ + end_, distance, length);
      end_ += length;
    }
  }

  BitInput input_;
  DecodedOutput& output_;
  // The bytes decoded lie before `end_`; those before `given_` are already with the output.
  std::size_t end_ = 0;
  std::size_t given_ = 0;
  bool fixedCodes_ = false;
  CodeLengthTable codeLengths_;
  LiteralLengthTable literals_;
  DistanceTable distances_;
  uint8_t buffer_[kBufferSize];
};

}  // namespace

Decoded inflate64(CompressedInput& input, DecodedOutput& output) {
  // Off the stack: a decoder may run on a worker thread with a small stack.
  std::unique_ptr<Inflater> inflater(new (std::nothrow) Inflater(input, output));
  if (!inflater) return Decoded::NoMemory;
  return inflater->run();
}

}  // namespace ostrya::engines::zip
