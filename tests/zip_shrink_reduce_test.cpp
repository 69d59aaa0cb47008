#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "engines/zip/unreduce.h"
#include "engines/zip/unshrink.h"
#include "decoder_memory_streams.h"
#include "zip_reduce_encoder.h"
#include "zip_shrink_encoder.h"

namespace ostrya::engines::zip {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::MemoryInput;
using testing::MemoryOutput;

constexpr std::size_t kWhole = testing::kNoLimit;

Bytes pseudoRandom(std::size_t count, uint32_t seed, unsigned bits) {
  Bytes out(count);
  for (uint8_t& byte : out) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>((seed >> 24) & ((1u << bits) - 1));
  }
  return out;
}

// Text-like data with DLE bytes and zeros in it.
Bytes words(std::size_t count) {
  const std::string pieces[] = {"alpha ",   "beta ",       "gamma\n",
                                "\x90",     "delta ",      std::string(2, '\0'),
                                "epsilon ", "\x90\x90\x90"};
  const Bytes choices = pseudoRandom(count, 7, 3);
  std::string text;
  for (uint8_t choice : choices) text += pieces[choice];
  return bytesOf(text);
}

struct Sample {
  const char* name;
  Bytes data;
};

const std::vector<Sample>& samples() {
  static const std::vector<Sample> all = {
      {"empty", {}},
      {"one byte", {'Q'}},
      {"one DLE", {144}},
      {"short text", bytesOf("abababababcabcabcabcaaaaaaaaaaa")},
      {"long run", Bytes(70000, 'a')},
      {"leading zeros", bytesOf(std::string(5000, '\0') + "and then some text")},
      {"words", words(30000)},
      {"random", pseudoRandom(40000, 1, 8)},
      {"four symbols", pseudoRandom(200000, 2, 2)},
  };
  return all;
}

struct Method {
  const char* name;
  // 0 for shrinking.
  int factor;
};

constexpr Method kMethods[] = {
    {"shrink", 0}, {"reduce 1", 1}, {"reduce 2", 2}, {"reduce 3", 3}, {"reduce 4", 4},
};

Bytes compress(const Method& method, std::span<const uint8_t> data) {
  return method.factor == 0 ? testing::shrinkForTest(data)
                            : testing::reduceForTest(data, method.factor);
}

Decoded decode(const Method& method, CompressedInput& input, DecodedOutput& output, uint64_t size) {
  return method.factor == 0 ? unshrink(input, output, size)
                            : unreduce(input, output, size, method.factor);
}

// Shrink codes as the decoder reads them: least significant bit first, one bit wider after
// each command 256, 1.
Bytes packCodes(std::initializer_list<uint32_t> codes) {
  Bytes out;
  uint64_t written = 0;
  unsigned width = 9;
  bool command = false;
  for (uint32_t code : codes) {
    for (unsigned bit = 0; bit < width; ++bit, ++written) {
      if (written % 8 == 0) out.push_back(0);
      out.back() |= static_cast<uint8_t>(((code >> bit) & 1) << (written % 8));
    }
    if (command && code == 1) ++width;
    command = !command && code == 256;
  }
  return out;
}

// All 256 follower sets empty: their 256 six-bit counts fill exactly 192 bytes, and every byte
// after them stands for itself in 8 bits.
Bytes withEmptySets(std::initializer_list<uint8_t> inner) {
  Bytes stream(192, 0);
  stream.insert(stream.end(), inner);
  return stream;
}

// The set of byte 255, stored first, holds 'A' 'B' 'C'; every other set is empty.
//   bits 0-5 the count 3, bits 6-29 'A' 'B' 'C', bits 30-1559 the other 255 counts, all 0
//   -> 0x43 0x90 0xD0 0x10 and 191 zero bytes.
Bytes setOf255IsABC(std::initializer_list<uint8_t> data) {
  Bytes stream = {0x43, 0x90, 0xD0, 0x10};
  stream.resize(195, 0);
  stream.insert(stream.end(), data);
  return stream;
}

TEST(Unshrink, GivesBackWhatTheTestCompressorShrank) {
  unsigned widest = 0;
  unsigned clears = 0;
  unsigned clearsOfTheCodeJustSent = 0;
  for (const Sample& sample : samples()) {
    SCOPED_TRACE(sample.name);
    testing::ShrinkCounts counts;
    const Bytes stream = testing::shrinkForTest(sample.data, &counts);
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, kWhole}) {
      MemoryInput input(stream, piece);
      MemoryOutput output;
      EXPECT_EQ(unshrink(input, output, sample.data.size()), Decoded::Complete);
      EXPECT_EQ(output.bytes, sample.data);
    }
    widest = std::max(widest, counts.widenings);
    clears += counts.partialClears;
    clearsOfTheCodeJustSent += counts.clearsOfTheCodeJustSent;
  }
  // The samples reach 13-bit codes and both kinds of clear.
  EXPECT_EQ(widest, 4u);
  EXPECT_GT(clears, 0u);
  EXPECT_GT(clearsOfTheCodeJustSent, 0u);
}

TEST(Unreduce, GivesBackWhatTheTestCompressorReducedAtEveryFactor) {
  for (int factor = 1; factor <= 4; ++factor) {
    testing::ReduceCounts total;
    for (const Sample& sample : samples()) {
      SCOPED_TRACE(std::string(sample.name) + ", factor " + std::to_string(factor));
      testing::ReduceCounts counts;
      const Bytes stream = testing::reduceForTest(sample.data, factor, &counts);
      for (std::size_t piece : {std::size_t{1}, kWhole}) {
        MemoryInput input(stream, piece);
        MemoryOutput output;
        EXPECT_EQ(unreduce(input, output, sample.data.size(), factor), Decoded::Complete);
        EXPECT_EQ(output.bytes, sample.data);
      }
      total.copies += counts.copies;
      total.longCopies += counts.longCopies;
      total.copiesBeforeStart += counts.copiesBeforeStart;
      total.literalDles += counts.literalDles;
      total.followerIndexes += counts.followerIndexes;
    }
    SCOPED_TRACE(factor);
    EXPECT_GT(total.copies, 0u);
    EXPECT_GT(total.longCopies, 0u);
    EXPECT_GT(total.copiesBeforeStart, 0u);
    EXPECT_GT(total.literalDles, 0u);
    EXPECT_GT(total.followerIndexes, 0u);
  }
}

TEST(Unshrink, DecodesHandWorkedStreams) {
  const struct {
    const char* name;
    Bytes stream;
    std::string expected;
  } cases[] = {
      // 97, 257, 97 in 9 bits: 97 = 0 0110 0001 at bits 0-8, 257 = 1 0000 0001 at bits 9-17,
      // 97 at bits 18-26 -> 0x61, 0x02 (bit 9), 0x86 (bits 17, 18, 23), 0x01 (bit 24).
      // 257 is the node the decoder makes next: "a" and its own first byte.
      {"a code sent as soon as it is made", {0x61, 0x02, 0x86, 0x01}, "aaaa"},
      // 65 at bits 0-8, 256 at 9-17, 1 at 18-26, then 10 bits each: 66 = 00 0100 0010 at
      // 27-36, 67 = 00 0100 0011 at 37-46 -> 0x41, 0x00, 0x06 (bits 17, 18), 0x10 (bit 28),
      // 0x62 (bits 33, 37, 38), 0x08 (bit 43). Read in 9 bits, the last code would be 0x86.
      {"wider codes after 256, 1", {0x41, 0x00, 0x06, 0x10, 0x62, 0x08}, "ABC"},
      // a b 257 a make 257 "ab", 258 "ba", 259 "aba". The clear frees the leaves 258 and 259
      // and keeps 257, the prefix of 259; c makes 258 "ac", 258 makes 259 "ca".
      {"a partial clear frees the leaves, then their codes lowest first",
       packCodes({97, 98, 257, 97, 256, 2, 99, 258, 259, 257}), "ababacaccaab"},
      // The first clear leaves 257 childless, so the second frees it and c makes 257 "ac".
      {"a second clear frees what the first left childless",
       packCodes({97, 98, 257, 97, 256, 2, 256, 2, 99, 257}), "ababacac"},
      // a b c d 259 make 257 to 260, all leaves when the clear comes after 259 "cd". e makes
      // 257 from 259 and e, f makes 258 "ef", g makes 259 "fg": 257 now reads "fge".
      {"a node whose prefix code was freed and given out again",
       packCodes({97, 98, 99, 100, 259, 256, 2, 101, 102, 103, 257}), "abcdcdefgfge"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryInput input(c.stream);
    MemoryOutput output;
    EXPECT_EQ(unshrink(input, output, c.expected.size()), Decoded::Complete);
    EXPECT_EQ(output.bytes, bytesOf(c.expected));
  }
}

TEST(Unshrink, CallsEachBrokenRuleDamageAndKeepsWhatCameBefore) {
  const struct {
    const char* name;
    Bytes stream;
    uint64_t size;
    std::string before;
  } cases[] = {
      {"no data", {}, 1, ""},
      {"data ending before the stated size", {0x61, 0x02, 0x86, 0x01}, 5, "aaaa"},
      {"data ending inside a code", {0x61, 0x02, 0x86}, 4, "aaa"},
      {"a first code that is no literal", packCodes({257}), 1, ""},
      {"a code not made yet", packCodes({97, 258}), 2, "a"},
      {"a code freed by a clear", packCodes({97, 98, 257, 97, 256, 2, 259}), 6, "ababa"},
      {"command 0", packCodes({97, 256, 0, 98}), 2, "a"},
      {"command 3", packCodes({97, 256, 3, 98}), 2, "a"},
      {"a fifth widening, past 13 bits",
       packCodes({97, 256, 1, 256, 1, 256, 1, 256, 1, 256, 1, 98}), 2, "a"},
      // The clear frees 257, the last code sent: the node made next would be its own prefix.
      {"the next code after a clear freed the previous one", packCodes({97, 98, 257, 256, 2, 257}),
       7, "abab"},
      // As above, but c makes that node: 257 from 257 and c, a loop.
      {"a node that is its own prefix", packCodes({97, 98, 257, 256, 2, 99, 257}), 8, "ababc"},
      // e makes 257 from 259, freed by the clear and not given out again.
      {"a node whose prefix is free", packCodes({97, 98, 99, 100, 259, 256, 2, 101, 257}), 9,
       "abcdcde"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryInput input(c.stream);
    MemoryOutput output;
    EXPECT_EQ(unshrink(input, output, c.size), Decoded::Damaged);
    EXPECT_EQ(output.bytes, bytesOf(c.before));
  }
}

TEST(Unreduce, DecodesHandWorkedStreams) {
  const struct {
    const char* name;
    Bytes stream;
    std::string expected;
  } followers[] = {
      // After the sets: 0xFF in 8 bits (the set of byte 0 is empty); then by the set of 0xFF a
      // flag 0 and index 2 in two bits ('C'); 0xFF; flag 1 and 'Z' in 8 bits; 0xFF; flag 0 and
      // index 0. Each value least significant bit first:
      //   11111111 0 01 11111111 1 01011010 11111111 0 00 -> 0xFF 0xFC 0xAF 0xF5 0x0F
      {"indexes and a byte outside the set", setOf255IsABC({0xFF, 0xFC, 0xAF, 0xF5, 0x0F}),
       "\xFF"
       "C"
       "\xFF"
       "Z"
       "\xFF"
       "A"},
      // The set of 255 holds 'A' alone: count 1 at bits 0-5, 'A' at 6-13, 255 zero counts at
      // 14-1543 -> 0x41 0x10 and 191 zero bytes. Its index still takes a bit:
      //   11111111 0 0 11111111 0 0 -> 0xFF 0xFC 0x03
      {"a set of one",
       [] {
         Bytes stream = {0x41, 0x10};
         stream.resize(193, 0);
         stream.insert(stream.end(), {0xFF, 0xFC, 0x03});
         return stream;
       }(),
       "\xFF"
       "A"
       "\xFF"
       "A"},
      // x DLE 1 0xFF copies four bytes from distance 256, before the start. The byte after is
      // coded by the set of 0xFF, the last byte of the inner stream, not by the zero last
      // written: flag 0 and index 1 -> 0x02.
      {"sets follow the inner stream", setOf255IsABC({'x', 0x90, 0x01, 0xFF, 0x02}),
       std::string("x") + std::string(4, '\0') + "B"},
  };
  // Each factor: q r, then DLE with the largest length field and an extra length byte 0xFF,
  // distance byte 0 (distance 1); DLE with the lowest distance bit of V set back to the q at
  // the start; DLE 0, a literal DLE; DLE with every distance bit set and distance byte 0xFF,
  // reaching before the start; a b c and DLE 2 2, five bytes from distance 3.
  const std::string tail = std::string("qrr\x90") + std::string(3, '\0') + "abcabcab";
  const struct {
    int factor;
    Bytes stream;
    std::size_t run;
  } copies[] = {
      // 127 + 255 + 3 = 385 r; distance 256 + 0x82 + 1 = 387; reach 512.
      {1, withEmptySets({'q',  'r',  0x90, 0x7F, 0xFF, 0x00, 0x90, 0x80, 0x82, 0x90,
                         0x00, 0x90, 0x80, 0xFF, 'a',  'b',  'c',  0x90, 0x02, 0x02}),
       1 + 385},
      // 63 + 255 + 3 = 321 r; distance 256 + 0x42 + 1 = 323; reach 1024.
      {2, withEmptySets({'q',  'r',  0x90, 0x3F, 0xFF, 0x00, 0x90, 0x40, 0x42, 0x90,
                         0x00, 0x90, 0xC0, 0xFF, 'a',  'b',  'c',  0x90, 0x02, 0x02}),
       1 + 321},
      // 31 + 255 + 3 = 289 r; distance 256 + 0x22 + 1 = 291; reach 2048.
      {3, withEmptySets({'q',  'r',  0x90, 0x1F, 0xFF, 0x00, 0x90, 0x20, 0x22, 0x90,
                         0x00, 0x90, 0xE0, 0xFF, 'a',  'b',  'c',  0x90, 0x02, 0x02}),
       1 + 289},
      // 15 + 255 + 3 = 273 r; distance 256 + 0x12 + 1 = 275; reach 4096.
      {4, withEmptySets({'q',  'r',  0x90, 0x0F, 0xFF, 0x00, 0x90, 0x10, 0x12, 0x90,
                         0x00, 0x90, 0xF0, 0xFF, 'a',  'b',  'c',  0x90, 0x02, 0x02}),
       1 + 273},
  };
  for (const auto& c : copies) {
    SCOPED_TRACE(c.factor);
    const std::string expected = "q" + std::string(c.run, 'r') + tail;
    MemoryInput input(c.stream);
    MemoryOutput output;
    EXPECT_EQ(unreduce(input, output, expected.size(), c.factor), Decoded::Complete);
    EXPECT_EQ(output.bytes, bytesOf(expected));

    for (const auto& f : followers) {
      SCOPED_TRACE(f.name);
      MemoryInput sets(f.stream);
      MemoryOutput decoded;
      EXPECT_EQ(unreduce(sets, decoded, f.expected.size(), c.factor), Decoded::Complete);
      EXPECT_EQ(decoded.bytes, bytesOf(f.expected));
    }
  }
}

TEST(Unreduce, CallsEachBrokenRuleDamageAndKeepsWhatCameBefore) {
  const struct {
    const char* name;
    Bytes stream;
    int factor;
    uint64_t size;
    std::string before;
  } cases[] = {
      {"no data", {}, 1, 1, ""},
      {"follower sets cut short", Bytes(100, 0), 1, 1, ""},
      {"follower sets and nothing after", Bytes(192, 0), 1, 1, ""},
      // 0xFF, then flag 0 and index 3 (bits 1 1) in a set of three -> 0xFF 0x06.
      {"an index past the end of its set", setOf255IsABC({0xFF, 0x06}), 2, 2, "\xFF"},
      {"data ending inside a copy", withEmptySets({'a', 0x90, 0x01}), 3, 10, "a"},
      {"data ending before the stated size", withEmptySets({'a', 'b'}), 4, 3, "ab"},
      {"factor 0", withEmptySets({'a'}), 0, 1, ""},
      {"factor 5", withEmptySets({'a'}), 5, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryInput input(c.stream);
    MemoryOutput output;
    EXPECT_EQ(unreduce(input, output, c.size, c.factor), Decoded::Damaged);
    EXPECT_EQ(output.bytes, bytesOf(c.before));
  }
}

// Neither stream marks its end: the stated size does. Past the data, reducing may still read
// the last byte's padding as a byte or two before the data runs out.
TEST(LegacyMethods, StopAtTheStatedSizeAndCallAShortStreamDamaged) {
  const Bytes data = words(4000);
  const std::size_t n = data.size();
  const struct {
    uint64_t size;
    Decoded result;
  } cases[] = {
      {0, Decoded::Complete},     {1, Decoded::Complete}, {n / 2, Decoded::Complete},
      {n - 1, Decoded::Complete}, {n, Decoded::Complete}, {n + 1000, Decoded::Damaged},
  };
  for (const Method& method : kMethods) {
    const Bytes stream = compress(method, data);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(method.name) + ", size " + std::to_string(c.size));
      MemoryInput input(stream);
      MemoryOutput output;
      EXPECT_EQ(decode(method, input, output, c.size), c.result);
      const std::size_t kept = std::min<std::size_t>(c.size, n);
      ASSERT_GE(output.bytes.size(), kept);
      EXPECT_TRUE(std::equal(data.begin(), data.begin() + kept, output.bytes.begin()));
      if (c.result == Decoded::Complete) {
        EXPECT_EQ(output.bytes.size(), c.size);
      }
    }
  }
}

TEST(LegacyMethods, StopAtOnceWhenTheInputFailsOrTheOutputRefuses) {
  const Bytes data = words(20000);
  const std::size_t n = data.size();
  enum class Failing { Never, AtOnce, AfterTheData };
  const struct {
    const char* name;
    Failing input;
    std::size_t outputLimit;
    uint64_t size;
    Decoded result;
  } cases[] = {
      {"input failing at once", Failing::AtOnce, kWhole, n, Decoded::InputFailed},
      {"input failing after the data", Failing::AfterTheData, kWhole, n + 1000,
       Decoded::InputFailed},
      {"output refusing at once", Failing::Never, 0, n, Decoded::OutputStopped},
      {"output refusing halfway", Failing::Never, n / 2, n, Decoded::OutputStopped},
      {"nothing to decode", Failing::AtOnce, 0, 0, Decoded::Complete},
  };
  for (const Method& method : kMethods) {
    const Bytes stream = compress(method, data);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(method.name) + ": " + c.name);
      const std::size_t failAt = c.input == Failing::AtOnce         ? 0
                                 : c.input == Failing::AfterTheData ? stream.size()
                                                                    : kWhole;
      MemoryInput input(stream, kWhole, failAt);
      MemoryOutput output(c.outputLimit);
      EXPECT_EQ(decode(method, input, output, c.size), c.result);
      EXPECT_LE(output.bytes.size(), c.outputLimit);
      EXPECT_TRUE(std::equal(output.bytes.begin(), output.bytes.end(), data.begin()));
    }
  }
}

TEST(LegacyMethods, WriteInPiecesOfAtLeastFourKilobytes) {
  const Bytes data = words(40000);
  for (const Method& method : kMethods) {
    SCOPED_TRACE(method.name);
    const Bytes stream = compress(method, data);
    MemoryInput input(stream, 3);
    MemoryOutput output;
    ASSERT_EQ(decode(method, input, output, data.size()), Decoded::Complete);
    ASSERT_FALSE(output.writes.empty());
    for (std::size_t i = 0; i + 1 < output.writes.size(); ++i) {
      EXPECT_GE(output.writes[i], 4096u);
    }
  }
}

}  // namespace
}  // namespace ostrya::engines::zip
