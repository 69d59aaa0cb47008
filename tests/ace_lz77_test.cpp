#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ace_lz77_encoder.h"
#include "decoder_memory_streams.h"
#include "engines/ace/ace_lz77.h"
#include "engines/ace/ace_prefix_code.h"

namespace ostrya::engines::ace {
namespace {

using testing::aceCompress;
using testing::aceEncode;
using testing::AceLz77Counts;
using testing::AceLz77Options;
using testing::AceToken;
using testing::Bytes;
using testing::kNoLimit;
using testing::MemoryInput;
using testing::MemoryOutput;

struct Outcome {
  Decoded result;
  std::string text;
};

Outcome decode(Lz77Decoder& decoder, const Bytes& stream, uint64_t size, uint16_t parameter,
               std::size_t piece = kNoLimit) {
  MemoryInput input(stream, piece);
  MemoryOutput output;
  const Decoded result = decoder.decompress(input, output, size, parameter);
  return {result, std::string(output.bytes.begin(), output.bytes.end())};
}

Outcome decode(const Bytes& stream, uint64_t size, uint16_t parameter,
               std::size_t piece = kNoLimit) {
  Lz77Decoder decoder(false);
  return decode(decoder, stream, size, parameter, piece);
}

// The bytes `tokens` stand for, by the plain definition of a match.
std::string expand(const std::vector<AceToken>& tokens, std::string text = "") {
  for (const AceToken& token : tokens) {
    if (token.distance == 0) {
      text += static_cast<char>(token.literal);
      continue;
    }
    for (uint32_t i = 0; i < token.length; ++i) text += text[text.size() - token.distance];
  }
  return text;
}

// Deterministic bytes: a linear congruential generator's high bits.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::string bytes(std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += static_cast<char>(next());
    return out;
  }
  std::string words(std::size_t count) {
    static const char* const kWords[] = {"needle ", "haystack ",    "the ",   "archive ",
                                         "ACE ",    "dictionary\n", "solid ", "block "};
    std::string out;
    while (out.size() < count) out += kWords[next() % 8];
    out.resize(count);
    return out;
  }

 private:
  uint32_t state_;
};

// Bits most significant first in 32-bit little-endian words, for streams written by hand.
class WordBits {
 public:
  WordBits& put(uint32_t value, unsigned count) {
    for (unsigned bit = count; bit-- > 0; ++written_) {
      if (written_ % 32 == 0) bytes_.resize(bytes_.size() + 4, 0);
      const std::size_t word = bytes_.size() - 4;
      const unsigned at = 31 - written_ % 32;
      bytes_[word + at / 8] |= static_cast<uint8_t>(((value >> bit) & 1) << (at % 8));
    }
    return *this;
  }
  Bytes take() { return bytes_; }

 private:
  Bytes bytes_;
  uint64_t written_ = 0;
};

Bytes compress(const std::string& data, unsigned dictionaryBits = 15,
               std::size_t blockSymbols = 32767, AceLz77Counts* counts = nullptr) {
  AceLz77Options options;
  options.dictionaryBits = dictionaryBits;
  options.blockSymbols = blockSymbols;
  return aceCompress(data, options, {}, counts);
}

TEST(AceLz77, DecodesWhatTheEncoderMadeOfVariedData) {
  Noise noise(7);
  std::string longMatches;
  const std::string chunk = noise.bytes(300);
  for (int i = 0; i < 40; ++i) longMatches += chunk + noise.bytes(i);
  const struct {
    const char* what;
    std::string data;
    std::size_t blockSymbols;
  } cases[] = {
      {"one byte", "x", 32767},
      {"a run of one byte", std::string(200000, 'a'), 32767},
      {"a run of two bytes", std::string(5000, 'a') + std::string(5000, 'b'), 32767},
      {"text", noise.words(100000), 32767},
      {"bytes without repeats", noise.bytes(70000), 32767},
      {"matches longer than one symbol sends", longMatches, 32767},
      {"a block per symbol", noise.words(3000), 1},
      {"blocks of seven symbols", noise.words(20000), 7},
      {"a block of 65536 symbols, sent as 0", noise.bytes(65536) + noise.bytes(70000), 65536},
  };
  for (const auto& c : cases) {
    AceLz77Counts counts;
    const Bytes stream = compress(c.data, 15, c.blockSymbols, &counts);
    const Outcome whole = decode(stream, c.data.size(), 5);
    EXPECT_EQ(whole.result, Decoded::Complete) << c.what;
    EXPECT_TRUE(whole.text == c.data) << c.what;
    // Input handed over a byte at a time, and in pieces that split the 32-bit words.
    for (std::size_t piece : {std::size_t{1}, std::size_t{4093}}) {
      const Outcome pieces = decode(stream, c.data.size(), 5, piece);
      EXPECT_EQ(pieces.result, Decoded::Complete) << c.what << " in pieces of " << piece;
      EXPECT_TRUE(pieces.text == c.data) << c.what << " in pieces of " << piece;
    }
    uint64_t symbols = 0;
    for (uint32_t count : counts.symbols) symbols += count;
    EXPECT_EQ(counts.blocks, (symbols + c.blockSymbols - 1) / c.blockSymbols) << c.what;
  }
  // Nothing to decode: no input is read.
  EXPECT_EQ(decode({}, 0, 5).result, Decoded::Complete);
}

// Every distance class at both ends of its range, and every repeat slot, in a history of over
// 4 MiB made of matches at scattered distances, so that a distance read wrong copies other bytes.
TEST(AceLz77, DecodesEveryDistanceClassAndRepeatSlot) {
  Noise noise(11);
  std::vector<AceToken> tokens;
  for (char c : noise.bytes(4096)) tokens.push_back({static_cast<uint8_t>(c), 0, 0});
  std::size_t size = 4096;
  while (size < (std::size_t{1} << 22) + 4096) {
    const uint32_t distance = 1 + noise.next() % static_cast<uint32_t>(size);
    const uint32_t length = 4 + noise.next() % 255;
    tokens.push_back({0, distance, length});
    size += length;
    if (noise.next() % 4 == 0) {
      tokens.push_back({static_cast<uint8_t>(noise.next()), 0, 0});
      ++size;
    }
  }
  for (unsigned distanceClass = 0; distanceClass <= 22; ++distanceClass) {
    const uint32_t lowest = distanceClass < 2 ? distanceClass : uint32_t{1} << (distanceClass - 1);
    const uint32_t highest = distanceClass < 2 ? distanceClass : (uint32_t{1} << distanceClass) - 1;
    // A match's distance less one is the value its class sends; far matches are longer.
    const uint32_t longest = 257 + (highest > 255 ? 1 : 0) + (highest > 8191 ? 1 : 0);
    tokens.push_back({0, lowest + 1, 4});
    tokens.push_back({static_cast<uint8_t>(distanceClass), 0, 0});
    tokens.push_back({0, highest + 1, longest});
    tokens.push_back({static_cast<uint8_t>(distanceClass + 100), 0, 0});
  }
  // Four distances, then each slot repeated; the two oldest slots send one byte more at least.
  for (uint32_t distance : {1000u, 2000u, 3000u, 4000u}) tokens.push_back({0, distance, 5});
  for (uint32_t distance : {1000u, 3000u, 2000u, 4000u, 4000u, 2000u})
    tokens.push_back({0, distance, 3});
  tokens.push_back({0, 200, 2});
  tokens.push_back({0, 200, 2});

  AceLz77Counts counts;
  AceLz77Options options;
  options.dictionaryBits = 22;
  const Bytes stream = aceEncode(tokens, options, &counts);
  for (unsigned symbol = 256; symbol < 283; ++symbol)
    EXPECT_GT(counts.symbols[symbol], 0u) << "symbol " << symbol << " never sent";
  const std::string expected = expand(tokens);
  const Outcome outcome = decode(stream, expected.size(), 12);
  EXPECT_EQ(outcome.result, Decoded::Complete);
  EXPECT_TRUE(outcome.text == expected);
  // The same stream with a dictionary too small for its farthest match stops there.
  EXPECT_EQ(decode(stream, expected.size(), 11).result, Decoded::Damaged);
}

// In a solid archive an entry's matches reach into the entries before it, stored ones included,
// and each entry starts with fresh codes and recent distances.
TEST(AceLz77, CarriesTheDictionaryOverInASolidArchive) {
  Noise noise(3);
  const std::string first = noise.words(30000);
  const std::string stored = noise.bytes(5000);
  const std::string third = stored + first.substr(100, 20000) + noise.words(3000);
  AceLz77Options options;
  const Bytes firstStream = aceCompress(first, options);
  const Bytes thirdStream = aceCompress(third, options, first + stored);

  Lz77Decoder solid(true);
  EXPECT_TRUE(decode(solid, firstStream, first.size(), 5).text == first);
  const Bytes storedBytes = testing::bytesOf(stored);
  MemoryInput storedInput(storedBytes);
  MemoryOutput storedOutput;
  EXPECT_EQ(solid.copyStored(storedInput, storedOutput, stored.size()), Decoded::Complete);
  const Outcome continued = decode(solid, thirdStream, third.size(), 5);
  EXPECT_EQ(continued.result, Decoded::Complete);
  EXPECT_TRUE(continued.text == third);

  // Without the entries before it, the third refers to bytes never seen.
  EXPECT_EQ(decode(thirdStream, third.size(), 5).result, Decoded::Damaged);
  Lz77Decoder separate(false);
  decode(separate, firstStream, first.size(), 5);
  EXPECT_EQ(decode(separate, thirdStream, third.size(), 5).result, Decoded::Damaged);
}

// Streams that break the format: each ends as damaged with only good bytes written, or as the
// input or output failing.
TEST(AceLz77, EndsDamagedStreamsWithTheRightResult) {
  Noise noise(5);
  const std::string text = noise.words(20000);
  const Bytes stream = compress(text);
  const Bytes half(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
  // A symbol code whose one width is 15 + 14: sent as the lone width value 14, its code '0'.
  WordBits tooWide;
  tooWide.put(0, 9).put(15, 4).put(15, 4);
  for (unsigned value = 0; value <= 15; ++value) tooWide.put(value == 14 ? 1 : 0, 3);
  tooWide.put(0, 1);
  const struct {
    const char* what;
    Bytes stream;
    uint64_t size;
    uint16_t parameter;
    Decoded result;
  } cases[] = {
      {"no data", {}, 10, 5, Decoded::Damaged},
      {"cut in half", half, text.size(), 5, Decoded::Damaged},
      {"more bytes stated than sent", stream, text.size() + 1000, 5, Decoded::Damaged},
      {"a dictionary beyond the format's", stream, text.size(), 13, Decoded::Damaged},
      {"a width beyond the widest code", tooWide.take(), 100, 5, Decoded::Damaged},
  };
  for (const auto& c : cases) {
    const Outcome outcome = decode(c.stream, c.size, c.parameter);
    EXPECT_EQ(outcome.result, c.result) << c.what;
    EXPECT_EQ(text.compare(0, outcome.text.size(), outcome.text), 0) << c.what;
    EXPECT_LE(outcome.text.size(), c.size) << c.what;
  }

  // A match that would run past the stated size stops the entry there.
  const std::vector<AceToken> tokens = {{'a', 0, 0}, {0, 1, 100}};
  const Outcome beyond = decode(aceEncode(tokens, {}), 50, 5);
  EXPECT_EQ(beyond.result, Decoded::Damaged);
  EXPECT_EQ(beyond.text, "a");
  // A match from further back than anything decoded.
  const Outcome before = decode(aceEncode({{'a', 0, 0}, {0, 5, 3}}, {}), 4, 5);
  EXPECT_EQ(before.result, Decoded::Damaged);

  MemoryInput failing(stream, kNoLimit, 16);
  MemoryOutput output;
  Lz77Decoder decoder(false);
  EXPECT_EQ(decoder.decompress(failing, output, text.size(), 5), Decoded::InputFailed);
  MemoryInput input(stream);
  MemoryOutput full(1000);
  EXPECT_EQ(decoder.decompress(input, full, text.size(), 5), Decoded::OutputStopped);
  const Bytes abc = testing::bytesOf("abc");
  MemoryInput shortStored(abc);
  MemoryOutput stored;
  EXPECT_EQ(decoder.copyStored(shortStored, stored, 5), Decoded::Damaged);
}

// Random bytes as a stream: whatever they decode to stays within the stated size.
TEST(AceLz77, DecodesNoiseWithoutOverrunningTheStatedSize) {
  Noise noise(9);
  for (int round = 0; round < 400; ++round) {
    const std::string junk = noise.bytes(1 + noise.next() % 600);
    const uint64_t size = noise.next() % 5000;
    const Bytes stream = testing::bytesOf(junk);
    const Outcome outcome = decode(stream, size, static_cast<uint16_t>(noise.next() % 16));
    EXPECT_LE(outcome.text.size(), size);
    if (outcome.result == Decoded::Complete) {
      EXPECT_EQ(outcome.text.size(), size);
    }
  }
}

// Codes go out in the order the compressor's quicksort leaves equal widths, which the table of
// this complete code shows; the slots were worked out with unace 1.2b's own sort.
TEST(AcePrefixTable, HandsOutCodesInTheCompressorsOrder) {
  std::vector<uint8_t> widths = {3, 4, 3, 4, 2, 4, 4, 3, 4, 4, 0};
  PrefixTable table;
  table.clear();
  ASSERT_TRUE(table.build(widths, 4));
  const uint16_t expected[16] = {4, 4, 4, 4, 2, 2, 0, 0, 7, 7, 3, 1, 9, 8, 6, 5};
  for (uint32_t slot = 0; slot < 16; ++slot) EXPECT_EQ(table.symbolAt(slot), expected[slot]);

  // A lone symbol takes width 1 whatever it was sent with; an empty code takes every slot.
  std::vector<uint8_t> lone = {0, 0, 5, 0};
  table.clear();
  ASSERT_TRUE(table.build(lone, 11));
  EXPECT_EQ(lone[2], 1);
  EXPECT_EQ(table.symbolAt(0), 2);
  EXPECT_EQ(table.symbolAt(63), 2);
  EXPECT_EQ(table.symbolAt(64), 0);
  // Codes that fill the table leave the symbols after them without one, as in the compressor's
  // own decoder; a width the table cannot hold is refused where it is reached.
  std::vector<uint8_t> overfull = {1, 1, 12};
  EXPECT_TRUE(table.build(overfull, 11));
  std::vector<uint8_t> tooWide = {12, 1};
  EXPECT_FALSE(table.build(tooWide, 11));
}

}  // namespace
}  // namespace ostrya::engines::ace
