#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decoder_memory_streams.h"
#include "engines/zoo/zoo_lzw.h"
#include "zoo_lzw_encoder.h"

namespace ostrya::engines::zoo {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::Decoding;
using testing::kNoLimit;

Decoding unlzwOf(const Bytes& stream, std::size_t piece = kNoLimit, std::size_t limit = kNoLimit,
                 std::size_t failAt = kNoLimit) {
  return testing::decodeInMemory(stream, unlzw, piece, failAt, limit);
}

// Codes of the widths given, least significant bit first, as ZOO packs them.
Bytes codes(const std::vector<std::pair<uint32_t, unsigned>>& list) {
  Bytes bytes;
  uint64_t bits = 0;
  unsigned held = 0;
  for (const auto& [code, width] : list) {
    bits |= uint64_t{code} << held;
    held += width;
    for (; held >= 8; held -= 8, bits >>= 8) bytes.push_back(static_cast<uint8_t>(bits));
  }
  if (held > 0) bytes.push_back(static_cast<uint8_t>(bits));
  return bytes;
}

constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;

// Words in an order of their own: many distinct strings, so the codes widen to 13 bits and
// the table fills up and is cleared several times.
Bytes wordSoup(std::size_t size) {
  uint32_t state = 7;
  const auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string word;
    for (uint32_t length = 2 + next() % 8; length > 0; --length)
      word += static_cast<char>('a' + next() % 26);
    words.push_back(word);
  }
  std::string text;
  while (text.size() < size) text += words[next() % words.size()] + ' ';
  return bytesOf(text.substr(0, size));
}

Bytes randomBytes(std::size_t size) {
  Bytes bytes(size);
  uint32_t state = 99;
  for (uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

// Data whose codes cross every width and clear the table, through the test encoder and back,
// whole and in pieces that split the codes.
TEST(ZooLzw, RoundTripsThroughTheTestEncoder) {
  Bytes every(256);
  for (int i = 0; i < 256; ++i) every[i] = static_cast<uint8_t>(i);
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"nothing", {}},
      {"one byte", bytesOf("x")},
      {"a run: codes sent before they are made", Bytes(5000, 'a')},
      {"every byte value", every},
      {"random bytes up to 10-bit codes", randomBytes(600)},
      {"random bytes up to 13-bit codes", randomBytes(7000)},
      {"random bytes through two clears", randomBytes(20000)},
      {"words through several clears", wordSoup(120000)},
  };
  for (const auto& c : cases) {
    const auto packed = testing::zooLzwEncode(c.data);
    const Bytes stream(packed.begin(), packed.end());
    for (std::size_t piece : {kNoLimit, std::size_t{1}, std::size_t{777}}) {
      const Decoding outcome = unlzwOf(stream, piece);
      EXPECT_EQ(outcome.result, Decoded::Complete) << c.what << ", pieces of " << piece;
      EXPECT_EQ(outcome.bytes, c.data) << c.what << ", pieces of " << piece;
    }
  }
}

// Hand-made streams: what each gives, and how it ends.
TEST(ZooLzw, HandMadeStreams) {
  const Bytes end = codes({{kClear, 9}, {'A', 9}, {'B', 9}, {258, 9}, {kEnd, 9}});
  Bytes trailing = end;
  trailing.push_back(0xFF);
  const struct {
    const char* what;
    Bytes stream;
    Decoded result;
    std::string bytes;
  } cases[] = {
      {"a node made from two literals", end, Decoded::Complete, "ABAB"},
      {"bytes after the end code are not read", trailing, Decoded::Complete, "ABAB"},
      {"a node sent before it is made", codes({{kClear, 9}, {'A', 9}, {258, 9}, {kEnd, 9}}),
       Decoded::Complete, "AAA"},
      {"no clear code first", codes({{'A', 9}, {'B', 9}, {kEnd, 9}}), Decoded::Complete, "AB"},
      {"a clear code, then the end", codes({{kClear, 9}, {kEnd, 9}}), Decoded::Complete, ""},
      {"a clear in the middle forgets the nodes",
       codes({{'A', 9}, {'B', 9}, {kClear, 9}, {'C', 9}, {258, 9}, {kEnd, 9}}), Decoded::Complete,
       "ABCCC"},
      {"a code beyond the next node", codes({{kClear, 9}, {'A', 9}, {259, 9}, {kEnd, 9}}),
       Decoded::Damaged, "A"},
      {"a node as the first code", codes({{kClear, 9}, {258, 9}, {kEnd, 9}}), Decoded::Damaged, ""},
      {"the end code as the first code of all", codes({{kEnd, 9}}), Decoded::Complete, ""},
      {"no end code", codes({{kClear, 9}, {'A', 9}, {'B', 9}}), Decoded::Damaged, "AB"},
      {"no data at all", {}, Decoded::Damaged, ""},
  };
  for (const auto& c : cases) {
    const Decoding outcome = unlzwOf(c.stream);
    EXPECT_EQ(outcome.result, c.result) << c.what;
    EXPECT_EQ(outcome.bytes, bytesOf(c.bytes)) << c.what;
  }
}

// 255 literals after a clear make 254 nodes, the last of them 511: from the next code on the
// codes are 10 bits wide, a node before the table holds 512 codes.
TEST(ZooLzw, WidensWhenTheNextNodeReachesTheWidthsLimit) {
  std::vector<std::pair<uint32_t, unsigned>> list = {{kClear, 9}};
  std::string expected;
  for (uint32_t literal = 0; literal < 255; ++literal) {
    list.push_back({literal, 9});
    expected += static_cast<char>(literal);
  }
  list.push_back({258, 10});
  expected += std::string{'\0', '\1'};
  list.push_back({kEnd, 10});
  const Decoding outcome = unlzwOf(codes(list));
  EXPECT_EQ(outcome.result, Decoded::Complete);
  EXPECT_EQ(outcome.bytes, bytesOf(expected));
}

TEST(ZooLzw, InputAndOutputFailures) {
  const Bytes text = wordSoup(50000);
  const auto packed = testing::zooLzwEncode(text);
  const Bytes stream(packed.begin(), packed.end());
  EXPECT_EQ(unlzwOf(stream, kNoLimit, kNoLimit, 1000).result, Decoded::InputFailed);
  EXPECT_EQ(unlzwOf(stream, kNoLimit, 20000).result, Decoded::OutputStopped);
  // A cut stream ends as damaged, with what it held written.
  const Decoding cut = unlzwOf(Bytes(stream.begin(), stream.begin() + 5000));
  EXPECT_EQ(cut.result, Decoded::Damaged);
  EXPECT_GT(cut.bytes.size(), 5000u);
  EXPECT_EQ(cut.bytes, Bytes(text.begin(), text.begin() + cut.bytes.size()));
}

}  // namespace
}  // namespace ostrya::engines::zoo
