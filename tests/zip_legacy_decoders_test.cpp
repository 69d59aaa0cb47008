#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "decoder_memory_streams.h"
#include "engines/zip/deflate64.h"
#include "engines/zip/explode.h"
#include "zip_implode_encoder.h"

namespace ostrya::engines::zip {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::Decoding;
using testing::kNoLimit;
using testing::MemoryInput;
using testing::MemoryOutput;

Decoding inflate64Of(std::span<const uint8_t> stream, std::size_t piece = kNoLimit) {
  return testing::decodeInMemory(stream, inflate64, piece);
}

Decoding explodeOf(std::span<const uint8_t> stream, uint64_t size, uint16_t flags,
                   std::size_t piece = kNoLimit) {
  return testing::decodeInMemory(
      stream,
      [&](CompressedInput& input, DecodedOutput& output) {
        return explode(input, output, size, flags);
      },
      piece);
}

// ---- Deflate64 streams built bit by bit, with the bytes they must decode to.

struct PrefixCode {
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;
};

// Deflate's canonical code: shorter codes first, equal lengths in symbol order.
PrefixCode canonical(std::vector<uint8_t> lengths) {
  PrefixCode code{std::move(lengths), {}};
  code.codes.resize(code.lengths.size());
  uint32_t next = 0;
  for (unsigned length = 1; length <= 15; ++length, next <<= 1) {
    for (std::size_t symbol = 0; symbol < code.lengths.size(); ++symbol) {
      if (code.lengths[symbol] == length) code.codes[symbol] = next++;
    }
  }
  return code;
}

PrefixCode fixedLiterals() {
  std::vector<uint8_t> lengths(288, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  return canonical(lengths);
}

const PrefixCode kFixedLiterals = fixedLiterals();
const PrefixCode kFixedDistances = canonical(std::vector<uint8_t>(32, 5));

// Lengths for a dynamic block: these symbols get these lengths, all others none.
std::vector<uint8_t> lengthsOf(std::size_t count,
                               std::initializer_list<std::pair<unsigned, uint8_t>> given) {
  std::vector<uint8_t> lengths(count, 0);
  for (const auto& [symbol, length] : given) lengths[symbol] = length;
  return lengths;
}

// A code length code for lengths up to 3 and the repeats, all the dynamic blocks here need.
const std::vector<uint8_t> kCodeLengthLengths =
    lengthsOf(19, {{0, 3}, {1, 2}, {2, 3}, {3, 4}, {16, 4}, {17, 3}, {18, 2}});

// A match as the stream spells it, and what the spelling must mean.
struct Match {
  unsigned lengthSymbol;
  unsigned lengthBits;
  uint32_t lengthExtra;
  std::size_t length;
  unsigned distanceSymbol;
  unsigned distanceBits;
  uint32_t distanceExtra;
  std::size_t distance;
};

class Deflate64Builder {
 public:
  Deflate64Builder& bits(uint32_t value, unsigned count) {
    for (unsigned bit = 0; bit < count; ++bit, ++written_) {
      if (written_ % 8 == 0) stream.push_back(0);
      stream.back() |= static_cast<uint8_t>(((value >> bit) & 1) << (written_ % 8));
    }
    return *this;
  }
  Deflate64Builder& code(const PrefixCode& code, unsigned symbol) {
    for (unsigned bit = code.lengths[symbol]; bit-- > 0;) bits(code.codes[symbol] >> bit, 1);
    return *this;
  }
  Deflate64Builder& stored(bool final, std::span<const uint8_t> data) {
    bits(final, 1).bits(0, 2);
    written_ = stream.size() * 8;
    bits(static_cast<uint32_t>(data.size()), 16).bits(~static_cast<uint32_t>(data.size()), 16);
    for (const uint8_t byte : data) bits(byte, 8);
    expected.insert(expected.end(), data.begin(), data.end());
    return *this;
  }
  Deflate64Builder& fixed(bool final) {
    literals_ = kFixedLiterals;
    distances_ = kFixedDistances;
    return bits(final, 1).bits(1, 2);
  }
  // A dynamic block's header, its code length code given as lengths in symbol order. Returns
  // that code, for writing the lengths with.
  PrefixCode dynamic(bool final, unsigned lengthCount, unsigned distanceCount,
                     const std::vector<uint8_t>& codeLengthLengths) {
    static constexpr unsigned kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                            11, 4,  12, 3, 13, 2, 14, 1, 15};
    unsigned listed = 19;
    while (listed > 4 && codeLengthLengths[kOrder[listed - 1]] == 0) --listed;
    bits(final, 1).bits(2, 2).bits(lengthCount - 257, 5).bits(distanceCount - 1, 5);
    bits(listed - 4, 4);
    for (unsigned i = 0; i < listed; ++i) bits(codeLengthLengths[kOrder[i]], 3);
    return canonical(codeLengthLengths);
  }
  // Writes the lengths from `from` up to `until` through `lengthCode`, zeros as repeats, and
  // makes them the block's codes.
  Deflate64Builder& lengths(const PrefixCode& lengthCode, const std::vector<uint8_t>& literals,
                            const std::vector<uint8_t>& distances, std::size_t from = 0,
                            std::size_t until = kNoLimit) {
    std::vector<uint8_t> all = literals;
    all.insert(all.end(), distances.begin(), distances.end());
    until = std::min(until, all.size());
    for (std::size_t at = from; at < until;) {
      std::size_t zeros = 0;
      while (at + zeros < until && all[at + zeros] == 0 && zeros < 138) ++zeros;
      if (zeros >= 11) {
        code(lengthCode, 18).bits(static_cast<uint32_t>(zeros - 11), 7);
      } else if (zeros >= 3) {
        code(lengthCode, 17).bits(static_cast<uint32_t>(zeros - 3), 3);
      } else {
        code(lengthCode, all[at]);
        zeros = 1;
      }
      at += zeros;
    }
    literals_ = canonical(literals);
    distances_ = canonical(distances);
    return *this;
  }
  Deflate64Builder& dynamic(bool final, const std::vector<uint8_t>& literals,
                            const std::vector<uint8_t>& distances) {
    return lengths(dynamic(final, static_cast<unsigned>(literals.size()),
                           static_cast<unsigned>(distances.size()), kCodeLengthLengths),
                   literals, distances);
  }
  Deflate64Builder& literal(uint8_t byte) {
    expected.push_back(byte);
    return code(literals_, byte);
  }
  Deflate64Builder& match(const Match& m) {
    code(literals_, m.lengthSymbol).bits(m.lengthExtra, m.lengthBits);
    code(distances_, m.distanceSymbol).bits(m.distanceExtra, m.distanceBits);
    // A damaged stream's expected bytes are never looked at.
    for (std::size_t i = 0; i < m.length; ++i) {
      const std::size_t size = expected.size();
      expected.push_back(m.distance <= size ? expected[size - m.distance] : 0);
    }
    return *this;
  }
  Deflate64Builder& endOfBlock() { return code(literals_, 256); }
  const PrefixCode& literals() const { return literals_; }

  Bytes stream;
  Bytes expected;

 private:
  uint64_t written_ = 0;
  PrefixCode literals_;
  PrefixCode distances_;
};

// The shortest match and the longest that deflate could spell too, one byte back.
constexpr Match kLength3{257, 0, 0, 3, 0, 0, 0, 1};
constexpr Match kLength258{284, 5, 31, 258, 0, 0, 0, 1};

Match withDistance(Match m, unsigned symbol, unsigned bits, uint32_t extra, std::size_t distance) {
  m.distanceSymbol = symbol;
  m.distanceBits = bits;
  m.distanceExtra = extra;
  m.distance = distance;
  return m;
}

Bytes pattern(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  uint32_t state = seed;
  for (uint8_t& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return bytes;
}

// Debian's 7z (p7zip-full), `7z a -tzip -mm=Deflate64`: one dynamic block.
constexpr uint8_t k7ZipHello[] = {
    0xd5, 0x8a, 0xb1, 0x09, 0x00, 0x20, 0x0c, 0x04, 0x7b, 0xa7, 0xc8, 0x00, 0x96, 0xe2, 0x3e, 0x42,
    0x5e, 0x2c, 0x1e, 0x02, 0x22, 0xb8, 0x7e, 0x8a, 0x34, 0x59, 0x21, 0xcd, 0xc1, 0x1d, 0x77, 0x40,
    0x9a, 0x64, 0x2a, 0x36, 0xd7, 0xc3, 0x1c, 0xf2, 0xed, 0x52, 0x7b, 0xe4, 0x90, 0x56, 0x79, 0x77};

TEST(Inflate64, DecodesWhat7ZipWrites) {
  std::string hello;
  for (int i = 0; i < 5; ++i) hello += "hello hello hello deflate64 world, hello world\n";
  // One byte at a time as well, so that codes straddle every read.
  for (const std::size_t piece : {kNoLimit, std::size_t{1}}) {
    const Decoding outcome = inflate64Of(k7ZipHello, piece);
    EXPECT_EQ(outcome.result, Decoded::Complete) << piece;
    EXPECT_EQ(outcome.bytes, bytesOf(hello)) << piece;
  }
}

using Build = std::function<void(Deflate64Builder&)>;

TEST(Inflate64, DecodesEveryBlockKindAndTheWiderCodes) {
  const struct {
    const char* name;
    Build build;
  } cases[] = {
      {"stored block", [](Deflate64Builder& b) { b.stored(true, bytesOf("abc")); }},
      {"empty stored block before a fixed one",
       [](Deflate64Builder& b) { b.stored(false, {}).fixed(true).literal('x').endOfBlock(); }},
      {"length code 285 with 16 extra bits",
       [](Deflate64Builder& b) {
         b.fixed(true).literal('a').match({285, 16, 0xFFFF, 65538, 0, 0, 0, 1});
         b.match({285, 16, 0, 3, 0, 0, 0, 1}).match(kLength258).endOfBlock();
       }},
      {"distance codes 30 and 31",
       [](Deflate64Builder& b) {
         b.stored(false, pattern(65535, 1)).stored(false, pattern(1, 2)).fixed(true);
         b.match(withDistance(kLength3, 30, 14, 0, 32769));
         b.match(withDistance(kLength3, 30, 14, 16383, 49152));
         b.match(withDistance(kLength3, 31, 14, 0, 49153));
         b.match(withDistance(kLength258, 31, 14, 16383, 65536)).endOfBlock();
       }},
      {"a whole window kept across hand-overs",
       [](Deflate64Builder& b) {
         for (unsigned i = 0; i < 5; ++i) b.stored(false, pattern(65535, i));
         b.fixed(true).match(withDistance(kLength258, 31, 14, 16383, 65536));
         b.match(withDistance(kLength3, 29, 13, 8191, 32768)).endOfBlock();
       }},
      {"dynamic block with a lone distance code",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(258, {{'a', 2}, {'b', 2}, {256, 2}, {257, 2}}), {1});
         b.literal('a').literal('b').match(kLength3).endOfBlock();
       }},
      {"dynamic block without distance codes",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(257, {{'a', 1}, {256, 1}}), {0});
         b.literal('a').literal('a').endOfBlock();
       }},
      {"blocks of each kind in a row",
       [](Deflate64Builder& b) {
         b.fixed(false).literal('x').endOfBlock();
         b.dynamic(false, lengthsOf(258, {{'y', 2}, {'z', 2}, {256, 2}, {257, 2}}), {1, 1});
         b.literal('y').match(withDistance(kLength3, 1, 0, 0, 2)).endOfBlock();
         b.stored(true, bytesOf("end"));
       }},
  };
  for (const auto& c : cases) {
    Deflate64Builder builder;
    c.build(builder);
    const Decoding outcome = inflate64Of(builder.stream);
    EXPECT_EQ(outcome.result, Decoded::Complete) << c.name;
    EXPECT_TRUE(outcome.bytes == builder.expected) << c.name;
  }
}

// Each cause of damage from a stream of a few bytes, which where it can goes on as a good stream
// would. zlib's rules on code sets: no gaps, except a lone one-bit code, and a block may have no
// distance codes until it uses one.
TEST(Inflate64, ReportsEachDamage) {
  const struct {
    const char* name;
    Build build;
  } cases[] = {
      {"no data", [](Deflate64Builder&) {}},
      {"block type 3", [](Deflate64Builder& b) { b.bits(1, 1).bits(3, 2); }},
      {"stored length without its complement",
       [](Deflate64Builder& b) { b.bits(1, 1).bits(0, 7).bits(1, 16).bits(1, 16).bits('a', 8); }},
      {"stored block cut short",
       [](Deflate64Builder& b) {
         b.stored(true, bytesOf("abcde"));
         b.stream.erase(b.stream.end() - 3, b.stream.end());
       }},
      {"final block without its end", [](Deflate64Builder& b) { b.fixed(true).literal('a'); }},
      {"literal/length 286",
       [](Deflate64Builder& b) { b.fixed(true).literal('a').code(kFixedLiterals, 286); }},
      {"distance before the first byte",
       [](Deflate64Builder& b) { b.fixed(true).match(kLength3).endOfBlock(); }},
      {"distance past the bytes written",
       [](Deflate64Builder& b) {
         b.fixed(true).literal('a').literal('b');
         b.match(withDistance(kLength3, 2, 0, 0, 3)).endOfBlock();
       }},
      {"287 literal/length codes",
       [](Deflate64Builder& b) {
         const PrefixCode code = b.dynamic(true, 287, 1, kCodeLengthLengths);
         b.lengths(code, lengthsOf(287, {{256, 1}, {286, 1}}), {0}).endOfBlock();
       }},
      {"code length code over-subscribed",
       [](Deflate64Builder& b) {
         b.dynamic(true, 257, 1, lengthsOf(19, {{16, 1}, {17, 1}, {18, 1}}));
       }},
      {"code length code with a gap",
       [](Deflate64Builder& b) {
         const PrefixCode code = b.dynamic(true, 257, 1, lengthsOf(19, {{1, 1}, {18, 2}}));
         b.lengths(code, lengthsOf(257, {{'a', 1}, {256, 1}}), {1}).literal('a').endOfBlock();
       }},
      {"repeat with no length before it",
       [](Deflate64Builder& b) {
         const PrefixCode code = b.dynamic(true, 257, 1, kCodeLengthLengths);
         b.code(code, 16).bits(0, 2);
         b.lengths(code, lengthsOf(257, {{'a', 1}, {256, 1}}), {0}, 3).endOfBlock();
       }},
      {"repeat past the last length",
       [](Deflate64Builder& b) {
         const PrefixCode code = b.dynamic(true, 257, 2, kCodeLengthLengths);
         b.lengths(code, lengthsOf(257, {{'a', 1}, {256, 1}}), {0, 0}, 0, 257);
         b.code(code, 17).bits(0, 3).endOfBlock();
       }},
      {"no end-of-block code",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(257, {{'a', 1}, {'b', 1}}), {1});
       }},
      {"literal/length code over-subscribed",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(257, {{'a', 1}, {'b', 1}, {256, 1}}), {1}).literal('a');
       }},
      {"literal/length code with a gap",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(257, {{'a', 1}, {256, 2}}), {1}).literal('a').endOfBlock();
       }},
      {"distance code with a gap",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(258, {{'a', 1}, {256, 2}, {257, 2}}), {2, 2});
         b.literal('a').match(kLength3).endOfBlock();
       }},
      {"match without distance codes",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(258, {{'a', 1}, {256, 2}, {257, 2}}), {0});
         b.literal('a').match(kLength3).endOfBlock();
       }},
      {"distance in the lone code's gap",
       [](Deflate64Builder& b) {
         b.dynamic(true, lengthsOf(258, {{'a', 1}, {256, 2}, {257, 2}}), {1});
         b.literal('a').code(b.literals(), 257).bits(1, 1).endOfBlock();
       }},
  };
  for (const auto& c : cases) {
    Deflate64Builder builder;
    c.build(builder);
    EXPECT_LE(builder.stream.size(), 15u) << c.name;
    EXPECT_EQ(inflate64Of(builder.stream).result, Decoded::Damaged) << c.name;
  }
}

// The zero bits that stand in for unread input could decode as a good end: seven of them are the
// fixed code's end of block.
TEST(Inflate64, ReadFailureIsNotDamage) {
  Deflate64Builder builder;
  builder.stored(false, pattern(40000, 3)).fixed(true);
  for (const uint8_t byte : pattern(3000, 4)) builder.literal(byte);
  builder.endOfBlock();
  for (const std::size_t failAt : {std::size_t{0}, std::size_t{1}, std::size_t{16384},
                                   std::size_t{30000}, builder.stream.size() - 100}) {
    MemoryInput input(builder.stream, 4096, failAt);
    MemoryOutput output;
    EXPECT_EQ(inflate64(input, output), Decoded::InputFailed) << failAt;
    EXPECT_TRUE(output.bytes.empty()) << failAt;
  }
}

TEST(Inflate64, HandsOverLargePiecesAndStopsWhenRefused) {
  // A megabyte from a few dozen bytes.
  Deflate64Builder builder;
  builder.fixed(true).literal('a');
  for (int i = 0; i < 16; ++i) builder.match({285, 16, 0xFFFF, 65538, 0, 0, 0, 1});
  builder.endOfBlock();

  MemoryInput input(builder.stream);
  MemoryOutput all;
  EXPECT_EQ(inflate64(input, all), Decoded::Complete);
  EXPECT_TRUE(all.bytes == builder.expected);
  ASSERT_GT(all.writes.size(), 2u);
  for (std::size_t i = 0; i + 1 < all.writes.size(); ++i) EXPECT_GE(all.writes[i], 65536u);

  MemoryInput again(builder.stream);
  MemoryOutput refusing(1000);
  EXPECT_EQ(inflate64(again, refusing), Decoded::OutputStopped);
  EXPECT_EQ(refusing.writes.size(), 1u);
}

// ---- Imploding.

// Made by implodeForTest and accepted by Info-ZIP's `unzip -t` in a ZIP of method 6.
const std::string kUnzipChecked =
    "Imploded by the test encoder, checked by unzip -t: imploded, imploded, imploded.\n";
constexpr uint8_t kImplodedSmallWindowTwoTrees[] = {
    0x06, 0x04, 0x05, 0x16, 0xf5, 0xf5, 0xf5, 0xb5, 0x05, 0x03, 0x56, 0xf5, 0xf5, 0xf5, 0x85, 0x93,
    0xb6, 0x85, 0xcb, 0xf6, 0x2d, 0xd9, 0xb2, 0x64, 0x41, 0x8a, 0xcd, 0x0b, 0x92, 0x2e, 0xda, 0x32,
    0xc3, 0xff, 0x65, 0xe7, 0xd2, 0x05, 0x59, 0xd6, 0xed, 0x98, 0xe9, 0xdf, 0x72, 0x59, 0x82, 0x1c,
    0x13, 0xfd, 0x3f, 0x76, 0x0d, 0xf7, 0xcf, 0xba, 0x6e, 0xf5, 0xa6, 0x85, 0x0b, 0xb2, 0x25, 0x5d,
    0x9d, 0x20, 0xd3, 0xc8, 0x7f, 0xf3, 0xfe, 0x4b, 0x7e, 0xe8, 0x52, 0x01};

constexpr uint8_t kImplodedLargeWindowThreeTrees[] = {
    0x1e, 0x98, 0x07, 0xf8, 0x48, 0x05, 0x08, 0x97, 0x06, 0xf7, 0xf7, 0xf7, 0x57, 0x16, 0x05,
    0x17, 0x16, 0x37, 0x06, 0x07, 0x06, 0x27, 0x05, 0xf7, 0xf7, 0xf7, 0xf7, 0xf7, 0xf7, 0xf7,
    0xf7, 0xa7, 0x03, 0xf5, 0xf5, 0xf5, 0xf5, 0x05, 0x03, 0x56, 0xf5, 0xf5, 0xf5, 0x85, 0xfb,
    0xe6, 0x3f, 0x2f, 0x98, 0xf7, 0xfe, 0x7b, 0xff, 0x2f, 0x9d, 0xf6, 0xff, 0xbe, 0xfd, 0xfe,
    0xdf, 0xdf, 0xec, 0xef, 0xff, 0xf7, 0xf2, 0x61, 0xf2, 0xff, 0x9c, 0xcf, 0xff, 0xc7, 0xdb,
    0xef, 0x63, 0x21, 0xce, 0x3f, 0xb3, 0x5e, 0xa6, 0xbe, 0x3e, 0xff, 0x6f, 0x7d, 0xcf, 0xfe,
    0x5f, 0xc9, 0xfe, 0xfe, 0x94, 0xf8, 0xfe, 0xe6, 0x53};

constexpr uint16_t kLargeWindow = 2;
constexpr uint16_t kLiteralTree = 4;

TEST(Explode, DecodesStreamsUnzipAccepts) {
  const struct {
    uint16_t flags;
    std::span<const uint8_t> stream;
  } cases[] = {
      {0, kImplodedSmallWindowTwoTrees},
      {kLargeWindow | kLiteralTree, kImplodedLargeWindowThreeTrees},
  };
  for (const auto& c : cases) {
    const Decoding outcome = explodeOf(c.stream, kUnzipChecked.size(), c.flags);
    EXPECT_EQ(outcome.result, Decoded::Complete) << c.flags;
    EXPECT_EQ(outcome.bytes, bytesOf(kUnzipChecked)) << c.flags;
  }
}

Bytes words(std::size_t count, unsigned seed) {
  static const char* const kWords[] = {"alpha ", "beta ", "gamma\n", "delta ", "epsilon "};
  std::string text;
  const Bytes choices = pattern(count, seed);
  for (const uint8_t choice : choices) text += kWords[choice % 5];
  return bytesOf(text);
}

Bytes repeated(const Bytes& block, int times) {
  Bytes bytes;
  for (int i = 0; i < times; ++i) bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

Bytes joined(std::initializer_list<std::span<const uint8_t>> parts) {
  Bytes bytes;
  for (const auto part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

TEST(Explode, RoundTripsEveryVariant) {
  const Bytes zerosFirst = joined({Bytes(300, 0), repeated(bytesOf("abc"), 200)});
  const struct {
    const char* name;
    Bytes data;
  } texts[] = {
      {"nothing", {}},
      {"one byte", {'x'}},
      {"zeros first", zerosFirst},
      {"runs", joined({Bytes(5000, 'a'), Bytes(1000, 'b')})},
      {"words past the window", words(15000, 1)},
      {"random", pattern(20000, 2)},
      {"repeats 6000 bytes back", repeated(pattern(6000, 3), 3)},
  };
  for (const uint16_t flags : {0, 2, 4, 6}) {
    testing::ImplodeCounts total;
    for (const auto& text : texts) {
      testing::ImplodeCounts counts;
      const Bytes stream = testing::implodeForTest(text.data, (flags & kLiteralTree) != 0,
                                                   (flags & kLargeWindow) != 0, &counts);
      total.longMatches += counts.longMatches;
      total.matchesBeforeStart += counts.matchesBeforeStart;
      total.farMatches += counts.farMatches;
      for (const std::size_t piece : {kNoLimit, std::size_t{3}}) {
        const Decoding outcome = explodeOf(stream, text.data.size(), flags, piece);
        EXPECT_EQ(outcome.result, Decoded::Complete) << text.name << " flags " << flags;
        EXPECT_TRUE(outcome.bytes == text.data) << text.name << " flags " << flags;
      }
      // No end marker: the stated size ends the data, even inside a match.
      if (text.data.size() > 10) {
        const Decoding shorter = explodeOf(stream, text.data.size() - 10, flags);
        EXPECT_EQ(shorter.result, Decoded::Complete) << text.name;
        EXPECT_TRUE(std::equal(shorter.bytes.begin(), shorter.bytes.end(), text.data.begin()) &&
                    shorter.bytes.size() == text.data.size() - 10)
            << text.name;
      }
    }
    EXPECT_GT(total.longMatches, 0u) << flags;
    EXPECT_GT(total.matchesBeforeStart, 0u) << flags;
    if ((flags & kLargeWindow) != 0) {
      EXPECT_GT(total.farMatches, 0u) << flags;
    }
  }
}

// Code descriptions of the 64-symbol codes: every symbol six bits long, and malformed ones.
constexpr uint8_t kSixBitsEach[] = {0x03, 0xF5, 0xF5, 0xF5, 0xF5};
// Without a literal code: a literal's flag bit, then 'A' in eight bits.
constexpr uint8_t kLiteralA[] = {0x83, 0x00};

// Where it can, the stream goes on with a literal that would decode were the fault allowed.
TEST(Explode, ReportsEachDamage) {
  const Bytes whole = testing::implodeForTest(words(2000, 4), false, true);
  const Bytes half(whole.begin(), whole.begin() + whole.size() / 2);
  // Thirty-two five-bit codes would be a complete code by themselves.
  const uint8_t tooFew[] = {0x01, 0xF4, 0xF4};
  const uint8_t tooMany[] = {0x04, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5};
  const uint8_t oversubscribed[] = {0x03, 0xF0, 0xF0, 0xF0, 0xF0};
  const uint8_t withGaps[] = {0x03, 0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t literalsOversubscribed[] = {0x0F, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0,
                                            0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0};
  const struct {
    const char* name;
    uint16_t flags;
    uint64_t size;
    Bytes stream;
  } cases[] = {
      {"no data", 0, 1, {}},
      {"too few lengths", 0, 1, joined({tooFew, kSixBitsEach, kLiteralA})},
      {"too many lengths", 0, 1, joined({tooMany, kSixBitsEach, kLiteralA})},
      {"lengths over-subscribed", 0, 1, joined({oversubscribed, kSixBitsEach, kLiteralA})},
      {"lengths with gaps", 0, 1, joined({withGaps, kSixBitsEach, kLiteralA})},
      {"distances with gaps", 0, 1, joined({kSixBitsEach, withGaps, kLiteralA})},
      {"literals over-subscribed", kLiteralTree, 1,
       joined({literalsOversubscribed, kSixBitsEach, kSixBitsEach, kLiteralA})},
      {"codes but no data", 0, 1, joined({kSixBitsEach, kSixBitsEach})},
      {"data ending early", kLargeWindow, words(2000, 4).size(), half},
      {"stated size past the data", kLargeWindow, words(2000, 4).size() + 1, whole},
  };
  const Decoding good = explodeOf(joined({kSixBitsEach, kSixBitsEach, kLiteralA}), 1, 0);
  ASSERT_EQ(good.result, Decoded::Complete);
  ASSERT_EQ(good.bytes, Bytes{'A'});
  for (const auto& c : cases) {
    EXPECT_EQ(explodeOf(c.stream, c.size, c.flags).result, Decoded::Damaged) << c.name;
  }
}

TEST(Explode, ReadFailureAndRefusedOutput) {
  const Bytes text = words(30000, 5);
  const Bytes stream = testing::implodeForTest(text, true, true);
  for (const std::size_t failAt : {0, 10, 5000}) {
    MemoryInput input(stream, 1000, failAt);
    MemoryOutput output;
    EXPECT_EQ(explode(input, output, text.size(), kLargeWindow | kLiteralTree),
              Decoded::InputFailed)
        << failAt;
  }
  MemoryInput input(stream);
  MemoryOutput refusing(1000);
  EXPECT_EQ(explode(input, refusing, text.size(), kLargeWindow | kLiteralTree),
            Decoded::OutputStopped);
  EXPECT_EQ(refusing.writes.size(), 1u);
}

}  // namespace
}  // namespace ostrya::engines::zip
