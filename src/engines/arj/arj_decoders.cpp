// portable: no platform headers.
#include "engines/arj/arj_decoders.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>

#include "engines/arj/arj_bit_input.h"
#include "engines/arj/arj_prefix_table.h"

namespace ostrya::engines::arj {
namespace {

constexpr unsigned kDictionarySize = 26624;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kLongestMatch = 256;

// Symbols of the character/length code: the 256 literals, then lengths 3 to 256.
constexpr unsigned kCharacterCodes = 256 + kLongestMatch - kMinMatch + 1;
constexpr unsigned kCharacterCountBits = 9;
// The code lengths of the character/length code are sent in a code of their own: symbols 0
// to 2 are runs of zero lengths, 3 to 18 the lengths 1 to 16.
constexpr unsigned kLengthCodes = 19;
constexpr unsigned kLengthRunCodes = 3;
// The count of sent lengths and the count of sent positions take 5 bits each.
constexpr unsigned kSmallCountBits = 5;
// After the first three code-length lengths, 2 bits tell how many zero lengths follow.
constexpr unsigned kZerosAfter = 3;
static_assert(kZerosAfter + 3 <= kLengthCodes, "the zero run stays inside the lengths");
// Position code p stands for distances of p bits: 2^(p-1) plus p - 1 more bits.
constexpr unsigned kPositionCodes = 17;

// Method 4's numbers: a unary prefix of up to 7 (lengths) or 4 (distances) one bits chooses
// how many bits follow; distances start at 9 bits.
constexpr unsigned kLengthPrefixBits = 7;
constexpr unsigned kDistancePrefixBits = 4;
constexpr unsigned kDistanceBits = 9;

// The dictionary both methods copy matches from. It is written out each time it fills and once
// at the end; no byte past the entry's size is produced.
class Dictionary {
 public:
  Dictionary(DecodedOutput& output, uint64_t size) : output_(output), left_(size) {}

  bool done() const { return left_ == 0; }

  bool put(uint8_t byte) {
    bytes_[at_++] = byte;
    --left_;
    return at_ < kDictionarySize || flush();
  }

  // The `length` bytes that begin `distance` + 1 bytes back, a distance within the dictionary;
  // a distance of 0 repeats the last byte. False when the output refused bytes.
  bool copy(unsigned distance, unsigned length) {
    length = static_cast<unsigned>(std::min<uint64_t>(length, left_));
    left_ -= length;
    unsigned from = at_ >= distance + 1 ? at_ - distance - 1 : at_ + kDictionarySize - distance - 1;
    // Most matches neither wrap nor fill the dictionary: no tests per byte for them.
    if (from < at_ && at_ + length < kDictionarySize) {
      for (unsigned i = 0; i < length; ++i) bytes_[at_ + i] = bytes_[from + i];
      at_ += length;
      return true;
    }
    for (unsigned i = 0; i < length; ++i) {
      bytes_[at_++] = bytes_[from++];
      if (from == kDictionarySize) from = 0;
      if (at_ == kDictionarySize && !flush()) return false;
    }
    return true;
  }

  // Writes what is in hand.
  bool flush() {
    const unsigned count = at_;
    at_ = 0;
    return count == 0 || output_.write(bytes_, count);
  }

 private:
  DecodedOutput& output_;
  uint64_t left_;
  unsigned at_ = 0;
  uint8_t bytes_[kDictionarySize] = {};
};

// What both decoders share: the input, the dictionary, and how a decoder ends.
class DecoderBase {
 protected:
  DecoderBase(CompressedInput& input, DecodedOutput& output, uint64_t size)
      : bits_(input), dictionary_(output, size) {}

  Decoded complete() {
    if (bits_.failed()) return Decoded::InputFailed;
    return dictionary_.flush() ? Decoded::Complete : Decoded::OutputStopped;
  }
  // What was decoded before the damage reaches the output.
  Decoded damaged() {
    if (bits_.failed()) return Decoded::InputFailed;
    return dictionary_.flush() ? Decoded::Damaged : Decoded::OutputStopped;
  }
  // Copies a match; a result when decoding ends with it. A distance that leaves the
  // dictionary is damage: ARJ's compressors never send one.
  std::optional<Decoded> copy(unsigned distance, unsigned length) {
    if (distance >= kDictionarySize) return damaged();
    if (!dictionary_.copy(distance, length)) return Decoded::OutputStopped;
    return std::nullopt;
  }

  BitInput bits_;
  Dictionary dictionary_;
};

class BlockDecoder final : DecoderBase {
 public:
  BlockDecoder(CompressedInput& input, DecodedOutput& output, uint64_t size)
      : DecoderBase(input, output, size) {}

  Decoded run() {
    while (!dictionary_.done()) {
      if (blockLeft_ == 0 && !readBlockTables()) return damaged();
      --blockLeft_;
      const unsigned code = decode(characters_);
      if (bits_.failed()) return Decoded::InputFailed;
      if (code < 256) {
        if (!dictionary_.put(static_cast<uint8_t>(code))) return Decoded::OutputStopped;
        continue;
      }
      if (const auto ended = copy(distance(), code - 256 + kMinMatch)) return *ended;
    }
    return complete();
  }

 private:
  unsigned decode(const PrefixTable& table) {
    const unsigned symbol = table.decode(bits_.peek16());
    bits_.skip(table.length(symbol));
    return symbol;
  }

  unsigned distance() {
    const unsigned code = decode(positions_);
    if (code == 0) return 0;
    return (1u << (code - 1)) + bits_.take(code - 1);
  }

  // A block opens with its code count (0 standing for 65536) and its three tables. False when
  // the tables are damaged.
  bool readBlockTables() {
    blockLeft_ = static_cast<uint16_t>(bits_.take(16));
    return readSmallLengths(lengthCodes_, kLengthCodes, true) && readCharacterLengths() &&
           readSmallLengths(positions_, kPositionCodes, false);
  }

  // A count of sent lengths; a count of 0 sends the block's one symbol instead.
  bool readSmallLengths(PrefixTable& table, unsigned symbols, bool zerosAfterThird) {
    const unsigned count = bits_.take(kSmallCountBits);
    if (count == 0) return single(table, symbols, kSmallCountBits);
    if (count > symbols) return false;
    uint8_t lengths[kLengthCodes] = {};
    for (unsigned i = 0; i < count;) {
      // Three bits; 7 is continued in unary, one more for every further one bit.
      const uint32_t next16 = bits_.peek16();
      unsigned length = next16 >> 13;
      if (length == 7)
        for (uint32_t mask = 1u << 12; (next16 & mask) != 0; mask >>= 1) ++length;
      bits_.skip(length < 7 ? 3 : length - 3);
      lengths[i++] = static_cast<uint8_t>(length);
      if (zerosAfterThird && i == kZerosAfter) i += bits_.take(2);
    }
    return table.build(lengths, symbols);
  }

  bool readCharacterLengths() {
    const unsigned count = bits_.take(kCharacterCountBits);
    if (count == 0) return single(characters_, kCharacterCodes, kCharacterCountBits);
    if (count > kCharacterCodes) return false;
    uint8_t lengths[kCharacterCodes] = {};
    for (unsigned i = 0; i < count;) {
      const unsigned code = decode(lengthCodes_);
      if (code >= kLengthRunCodes) {
        lengths[i++] = static_cast<uint8_t>(code - 2);
        continue;
      }
      const unsigned zeros = code == 0 ? 1 : code == 1 ? bits_.take(4) + 3 : bits_.take(9) + 20;
      if (zeros > kCharacterCodes - i) return false;
      i += zeros;
    }
    return characters_.build(lengths, kCharacterCodes);
  }

  bool single(PrefixTable& table, unsigned symbols, unsigned bits) {
    const unsigned symbol = bits_.take(bits);
    if (symbol >= symbols) return false;
    table.fillWith(symbol);
    return true;
  }

  uint16_t blockLeft_ = 0;
  PrefixTable lengthCodes_{8};
  PrefixTable characters_{12};
  PrefixTable positions_{8};
};

class Method4Decoder final : DecoderBase {
 public:
  Method4Decoder(CompressedInput& input, DecodedOutput& output, uint64_t size)
      : DecoderBase(input, output, size) {}

  Decoded run() {
    while (!dictionary_.done()) {
      const unsigned value = prefixed(kLengthPrefixBits, 0);
      if (bits_.failed()) return Decoded::InputFailed;
      if (value == 0) {
        if (!dictionary_.put(static_cast<uint8_t>(bits_.take(8)))) return Decoded::OutputStopped;
        continue;
      }
      const unsigned length = value + kMinMatch - 1;
      const unsigned distance = prefixed(kDistancePrefixBits, kDistanceBits);
      if (const auto ended = copy(distance, length)) return *ended;
    }
    return complete();
  }

 private:
  // Up to `prefix` one bits, k of them, then `bits` + k bits v: (2^k - 1) * 2^bits + v.
  unsigned prefixed(unsigned prefix, unsigned bits) {
    unsigned ones = 0;
    while (ones < prefix && bits_.take(1) != 0) ++ones;
    return (((1u << ones) - 1) << bits) + bits_.take(bits + ones);
  }
};

template <typename Decoder>
Decoded decodeWith(CompressedInput& input, DecodedOutput& output, uint64_t size) {
  if (size == 0) return Decoded::Complete;
  std::unique_ptr<Decoder> decoder(new (std::nothrow) Decoder(input, output, size));
  if (!decoder) return Decoded::NoMemory;
  return decoder->run();
}

}  // namespace

Decoded decodeMethods1To3(CompressedInput& input, DecodedOutput& output, uint64_t size) {
  return decodeWith<BlockDecoder>(input, output, size);
}

Decoded decodeMethod4(CompressedInput& input, DecodedOutput& output, uint64_t size) {
  return decodeWith<Method4Decoder>(input, output, size);
}

}  // namespace ostrya::engines::arj
