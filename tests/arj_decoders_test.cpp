#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decoder_memory_streams.h"
#include "engines/arj/arj_decoders.h"

namespace ostrya::engines::arj {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::kNoLimit;
using testing::MemoryInput;
using testing::MemoryOutput;

// Bits as ARJ packs them, the most significant first.
class BitWriter {
 public:
  BitWriter& put(uint32_t value, unsigned count) {
    for (unsigned bit = count; bit-- > 0;) {
      current_ = static_cast<uint8_t>(current_ << 1 | ((value >> bit) & 1));
      if (++used_ == 8) {
        bytes_.push_back(current_);
        used_ = 0;
        current_ = 0;
      }
    }
    return *this;
  }
  Bytes bytes() const {
    Bytes out = bytes_;
    if (used_ > 0) out.push_back(static_cast<uint8_t>(current_ << (8 - used_)));
    return out;
  }

 private:
  Bytes bytes_;
  uint8_t current_ = 0;
  unsigned used_ = 0;
};

struct Outcome {
  Decoded result;
  std::string text;
};

Outcome decode(Decoded (*decoder)(CompressedInput&, DecodedOutput&, uint64_t), const Bytes& stream,
               uint64_t size, std::size_t piece, std::size_t failAt, std::size_t limit) {
  MemoryInput input(stream, piece, failAt);
  MemoryOutput output(limit);
  const Decoded result = decoder(input, output, size);
  return {result, std::string(output.bytes.begin(), output.bytes.end())};
}
Outcome method4(const Bytes& stream, uint64_t size, std::size_t piece = kNoLimit,
                std::size_t failAt = kNoLimit, std::size_t limit = kNoLimit) {
  return decode(decodeMethod4, stream, size, piece, failAt, limit);
}
Outcome methods1To3(const Bytes& stream, uint64_t size, std::size_t piece = kNoLimit,
                    std::size_t failAt = kNoLimit, std::size_t limit = kNoLimit) {
  return decode(decodeMethods1To3, stream, size, piece, failAt, limit);
}

// ---- Method 4 streams: literals as a 0 bit and 8 bits; lengths and distances as unary-prefixed
// numbers.

void literal(BitWriter& bits, char c) {
  bits.put(0, 1).put(static_cast<uint8_t>(c), 8);
}
// Up to `prefix` one bits (k), a zero when fewer, then `width` + k bits.
void prefixed(BitWriter& bits, unsigned value, unsigned prefix, unsigned width) {
  unsigned ones = 0;
  while (ones < prefix && value >= (((2u << ones) - 1) << width)) ++ones;
  bits.put((1u << ones) - 1, ones);
  if (ones < prefix) bits.put(0, 1);
  bits.put(value - (((1u << ones) - 1) << width), width + ones);
}
void match(BitWriter& bits, unsigned length, unsigned distance) {
  prefixed(bits, length - 2, 7, 0);
  prefixed(bits, distance, 4, 9);
}

TEST(ArjMethod4, DecodesLiteralsMatchesAndTheLongestNumbers) {
  BitWriter literals;
  for (char c : std::string("Hello, ARJ")) literal(literals, c);
  // Ten literals take 90 bits: the last byte's padding reads as part of no code.
  EXPECT_EQ(literals.bytes().size(), 12u);
  const Outcome plain = method4(literals.bytes(), 10);
  EXPECT_EQ(plain.result, Decoded::Complete);
  EXPECT_EQ(plain.text, "Hello, ARJ");

  BitWriter matches;
  literal(matches, 'a');
  literal(matches, 'b');
  match(matches, 4, 1);    // "abab" from two back, overlapping what it writes
  match(matches, 3, 0);    // distance 0 repeats the last byte
  match(matches, 256, 0);  // seven one bits and no zero: the longest match
  literal(matches, 'z');
  // 512 * 15 + 8191: four one bits and 13 bits, the farthest method 4 reaches.
  match(matches, 3, 15871);
  EXPECT_EQ(method4(matches.bytes(), 2 + 4 + 3 + 256 + 1 + 3).text,
            "ababab" + std::string(3 + 256, 'b') + "z" + std::string(3, '\0'));
}

// The entry's size ends the data: a match that runs past it stops there, and data that ends
// early reads as zero bits, here literal zeros.
TEST(ArjMethod4, ProducesExactlyTheStatedSize) {
  BitWriter bits;
  literal(bits, 'x');
  match(bits, 10, 0);
  EXPECT_EQ(method4(bits.bytes(), 4).text, "xxxx");

  BitWriter cut;
  literal(cut, 'a');
  literal(cut, 'b');
  const Outcome outcome = method4(cut.bytes(), 5);
  EXPECT_EQ(outcome.result, Decoded::Complete);
  EXPECT_EQ(outcome.text, std::string("ab\0\0\0", 5));
  EXPECT_EQ(method4({}, 0).result, Decoded::Complete);
}

// ---- Methods 1 to 3: blocks whose tables each hold one code, sent as a count of 0 and the
// code. Every code of such a block takes no bits at all.

void singleCodeBlock(BitWriter& bits, unsigned codes, unsigned character, unsigned position = 0) {
  bits.put(codes, 16);
  bits.put(0, 5).put(0, 5);          // code-length code: one symbol
  bits.put(0, 9).put(character, 9);  // character/length code
  bits.put(0, 5).put(position, 5);   // position code
}
constexpr unsigned kLength3 = 256;

TEST(ArjMethods1To3, SingleCodeBlocksAndDistanceZero) {
  BitWriter runs;
  singleCodeBlock(runs, 1, 'A');
  singleCodeBlock(runs, 1, 'B');
  // A match of three at distance 0 repeats the byte before it.
  singleCodeBlock(runs, 1, kLength3, 0);
  EXPECT_EQ(methods1To3(runs.bytes(), 5).text, "ABBBB");

  // Position code 1 is distance 1: the two bytes before, over and over.
  BitWriter pairs;
  singleCodeBlock(pairs, 1, 'A');
  singleCodeBlock(pairs, 1, 'B');
  singleCodeBlock(pairs, 2, kLength3, 1);
  const Outcome outcome = methods1To3(pairs.bytes(), 8);
  EXPECT_EQ(outcome.result, Decoded::Complete);
  EXPECT_EQ(outcome.text, "ABABABAB");
}

// A block's count of 0 stands for 65536 codes; the next block follows them.
TEST(ArjMethods1To3, ABlockCountOfZeroHolds65536Codes) {
  BitWriter bits;
  singleCodeBlock(bits, 0, 'x');
  singleCodeBlock(bits, 1, 'y');
  const Outcome outcome = methods1To3(bits.bytes(), 65537, 1);
  EXPECT_EQ(outcome.result, Decoded::Complete);
  EXPECT_EQ(outcome.text, std::string(65536, 'x') + "y");
}

// A dictionary of 26624 bytes is written out each time it fills: a run over the wrap comes out
// whole, in full-dictionary writes.
TEST(ArjMethods1To3, MatchesWrapTheDictionary) {
  BitWriter bits;
  singleCodeBlock(bits, 1, 'q');
  singleCodeBlock(bits, 20000, kLength3 + 253, 0);  // matches of 256
  const Bytes stream = bits.bytes();
  MemoryInput input(stream);
  MemoryOutput output;
  const uint64_t size = 1 + 256 * 200;
  EXPECT_EQ(decodeMethods1To3(input, output, size), Decoded::Complete);
  EXPECT_EQ(output.bytes, Bytes(size, 'q'));
  EXPECT_EQ(output.writes, (std::vector<std::size_t>{26624, size - 26624}));
}

// Tables, counts and distances that would reach outside their arrays end the data as damaged;
// what came before reaches the output.
TEST(ArjMethods1To3, DamagedTablesAndDistancesAreRefused) {
  const auto afterLiteral = [](auto&& tables) {
    BitWriter bits;
    singleCodeBlock(bits, 1, 'A');
    tables(bits);
    return bits.bytes();
  };
  const struct {
    const char* what;
    Bytes stream;
  } cases[] = {
      {"one code-length code too many",
       afterLiteral([](BitWriter& b) { b.put(1, 16).put(20, 5); })},
      {"a single code-length code past 18",
       afterLiteral([](BitWriter& b) { b.put(1, 16).put(0, 5).put(19, 5); })},
      {"three code-length codes of one bit over-subscribe the table",
       afterLiteral([](BitWriter& b) { b.put(1, 16).put(3, 5).put(1, 3).put(1, 3).put(1, 3); })},
      {"a code length of 17", afterLiteral([](BitWriter& b) {
         b.put(1, 16).put(1, 5).put(0x1FFF, 13).put(0, 1);  // 7 continued by ten ones
       })},
      {"511 character lengths",
       afterLiteral([](BitWriter& b) { b.put(1, 16).put(0, 5).put(0, 5).put(511, 9); })},
      {"a single character code past 509",
       afterLiteral([](BitWriter& b) { b.put(1, 16).put(0, 5).put(0, 5).put(0, 9).put(510, 9); })},
      {"a zero run past the 510 character lengths", afterLiteral([](BitWriter& b) {
         b.put(1, 16).put(0, 5).put(2, 5).put(510, 9).put(500, 9);  // 520 zeros
       })},
      {"18 position lengths", afterLiteral([](BitWriter& b) {
         b.put(1, 16).put(0, 5).put(0, 5).put(0, 9).put(kLength3, 9).put(18, 5);
       })},
      {"a single position code past 16", afterLiteral([](BitWriter& b) {
         b.put(1, 16).put(0, 5).put(0, 5).put(0, 9).put(kLength3, 9).put(0, 5).put(17, 5);
       })},
      {"a distance past the dictionary", afterLiteral([](BitWriter& b) {
         singleCodeBlock(b, 1, kLength3, 16);
         b.put(0x7FFF, 15);  // 2^15 + 32767
       })},
  };
  for (const auto& c : cases) {
    const Outcome outcome = methods1To3(c.stream, 10);
    EXPECT_EQ(outcome.result, Decoded::Damaged) << c.what;
    EXPECT_EQ(outcome.text, "A") << c.what;
  }
}

// Input and output failures are told as such; any split of the input decodes the same.
TEST(ArjDecoders, FailuresAndPieces) {
  BitWriter bits;
  for (char c : std::string("pieces of input")) literal(bits, c);
  const Bytes stream = bits.bytes();
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, kNoLimit})
    EXPECT_EQ(method4(stream, 15, piece).text, "pieces of input") << piece;
  EXPECT_EQ(method4(stream, 15, kNoLimit, 4).result, Decoded::InputFailed);
  EXPECT_EQ(method4(stream, 15, kNoLimit, kNoLimit, 14).result, Decoded::OutputStopped);

  BitWriter blocks;
  singleCodeBlock(blocks, 1, 'A');
  EXPECT_EQ(methods1To3(blocks.bytes(), 1, kNoLimit, 2).result, Decoded::InputFailed);
  EXPECT_EQ(methods1To3(blocks.bytes(), 1, kNoLimit, kNoLimit, 0).result, Decoded::OutputStopped);
  EXPECT_EQ(methods1To3({}, 0).result, Decoded::Complete);
}

}  // namespace
}  // namespace ostrya::engines::arj
