#include "zip_implode_encoder.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <queue>
#include <utility>

#include "zip_bit_writer.h"

namespace ostrya::testing {
namespace {

constexpr std::size_t kHashSize = std::size_t{1} << 15;
constexpr int kCandidatesTried = 64;
constexpr unsigned kLastLengthCode = 63;
constexpr unsigned kLongestCode = 16;
constexpr unsigned kMostPerRun = 16;

struct Token {
  uint32_t distance;  // 0 for a literal
  uint32_t value;     // the literal, or the match length
};

// Huffman lengths, every symbol counted at least once so that every symbol has a code as the
// description requires; counts are halved until the longest code fits in 16 bits.
std::vector<uint8_t> codeLengths(std::vector<uint64_t> counts) {
  for (uint64_t& count : counts) ++count;
  for (;;) {
    using Node = std::pair<uint64_t, std::size_t>;
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    std::vector<std::size_t> parent(counts.size(), 0);
    for (std::size_t symbol = 0; symbol < counts.size(); ++symbol)
      queue.push({counts[symbol], symbol});
    while (queue.size() > 1) {
      const Node a = queue.top();
      queue.pop();
      const Node b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = parent.size();
      parent.push_back(0);
      queue.push({a.first + b.first, parent.size() - 1});
    }
    const std::size_t root = parent.size() - 1;
    std::vector<uint8_t> lengths(counts.size());
    bool fits = true;
    for (std::size_t symbol = 0; symbol < counts.size(); ++symbol) {
      unsigned depth = 0;
      for (std::size_t node = symbol; node != root; node = parent[node]) ++depth;
      lengths[symbol] = static_cast<uint8_t>(depth);
      fits = fits && depth <= kLongestCode;
    }
    if (fits) return lengths;
    for (uint64_t& count : counts) count = (count + 1) / 2;
  }
}

// The codes as imploding writes them: canonical, shorter first and equal lengths in symbol
// order, then complemented.
std::vector<uint32_t> codesOf(const std::vector<uint8_t>& lengths) {
  std::vector<uint32_t> codes(lengths.size());
  uint32_t next = 0;
  for (unsigned length = 1; length <= kLongestCode; ++length) {
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
      if (lengths[symbol] == length) codes[symbol] = ~next++ & ((1u << length) - 1);
    }
    next <<= 1;
  }
  return codes;
}

// A byte count less one, then runs of equal lengths: length less one in the low nibble, run
// less one in the high nibble.
void describe(BitWriter& out, const std::vector<uint8_t>& lengths) {
  std::vector<uint8_t> runs;
  for (std::size_t at = 0; at < lengths.size();) {
    std::size_t run = 1;
    while (run < kMostPerRun && at + run < lengths.size() && lengths[at + run] == lengths[at])
      ++run;
    runs.push_back(static_cast<uint8_t>((run - 1) << 4 | (lengths[at] - 1)));
    at += run;
  }
  out.put(static_cast<uint32_t>(runs.size() - 1), 8);
  for (const uint8_t run : runs) out.put(run, 8);
}

std::vector<Token> greedyMatches(std::span<const uint8_t> data, std::size_t window,
                                 std::size_t shortest, ImplodeCounts& counts) {
  const std::size_t longest = shortest + kLastLengthCode + 255;
  std::vector<uint8_t> text(window, 0);
  text.insert(text.end(), data.begin(), data.end());
  const std::size_t end = text.size();
  std::vector<std::ptrdiff_t> head(kHashSize, -1);
  std::vector<std::ptrdiff_t> earlier(end, -1);
  auto hash = [&](std::size_t at) {
    uint32_t key = 0;
    for (std::size_t i = 0; i < shortest; ++i) key = key * 2654435761u + text[at + i];
    return (key ^ key >> 15) & (kHashSize - 1);
  };
  auto insert = [&](std::size_t at) {
    if (at + shortest > end) return;
    const std::size_t slot = hash(at);
    earlier[at] = head[slot];
    head[slot] = static_cast<std::ptrdiff_t>(at);
  };
  for (std::size_t at = 0; at < window; ++at) insert(at);

  std::vector<Token> tokens;
  for (std::size_t at = window; at < end;) {
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (at + shortest <= end) {
      int tried = 0;
      for (std::ptrdiff_t candidate = head[hash(at)]; candidate >= 0 && tried < kCandidatesTried;
           candidate = earlier[static_cast<std::size_t>(candidate)], ++tried) {
        const std::size_t distance = at - static_cast<std::size_t>(candidate);
        if (distance > window) break;
        std::size_t length = 0;
        while (length < longest && at + length < end &&
               text[static_cast<std::size_t>(candidate) + length] == text[at + length])
          ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = distance;
        }
      }
    }
    const std::size_t step = bestLength >= shortest ? bestLength : 1;
    if (step == 1) {
      tokens.push_back({0, text[at]});
      ++counts.literals;
    } else {
      tokens.push_back({static_cast<uint32_t>(bestDistance), static_cast<uint32_t>(bestLength)});
      ++counts.matches;
      if (bestLength - shortest >= kLastLengthCode) ++counts.longMatches;
      if (bestDistance > at - window) ++counts.matchesBeforeStart;
      if (bestDistance > 4096) ++counts.farMatches;
    }
    for (std::size_t i = 0; i < step; ++i) insert(at + i);
    at += step;
  }
  return tokens;
}

}  // namespace

std::vector<uint8_t> implodeForTest(std::span<const uint8_t> data, bool literalTree, bool window8k,
                                    ImplodeCounts* counts) {
  ImplodeCounts ignored;
  ImplodeCounts& tally = counts != nullptr ? *counts : ignored;
  tally = {};
  const std::size_t window = window8k ? 8192 : 4096;
  const unsigned lowBits = window8k ? 7 : 6;
  const std::size_t shortest = literalTree ? 3 : 2;
  const std::vector<Token> tokens = greedyMatches(data, window, shortest, tally);

  std::vector<uint64_t> literalCounts(256), lengthCounts(64), distanceCounts(64);
  for (const Token& token : tokens) {
    if (token.distance == 0) {
      ++literalCounts[token.value];
      continue;
    }
    ++lengthCounts[std::min<std::size_t>(token.value - shortest, kLastLengthCode)];
    ++distanceCounts[(token.distance - 1) >> lowBits];
  }
  const std::vector<uint8_t> literalLengths = codeLengths(literalCounts);
  const std::vector<uint8_t> lengthLengths = codeLengths(lengthCounts);
  const std::vector<uint8_t> distanceLengths = codeLengths(distanceCounts);
  const std::vector<uint32_t> literalCodes = codesOf(literalLengths);
  const std::vector<uint32_t> lengthCodes = codesOf(lengthLengths);
  const std::vector<uint32_t> distanceCodes = codesOf(distanceLengths);

  BitWriter out;
  if (literalTree) describe(out, literalLengths);
  describe(out, lengthLengths);
  describe(out, distanceLengths);
  for (const Token& token : tokens) {
    if (token.distance == 0) {
      out.put(1, 1);
      if (literalTree)
        out.putCode(literalCodes[token.value], literalLengths[token.value]);
      else
        out.put(token.value, 8);
      continue;
    }
    out.put(0, 1);
    const uint32_t distance = token.distance - 1;
    out.put(distance & ((1u << lowBits) - 1), lowBits);
    const uint32_t high = distance >> lowBits;
    out.putCode(distanceCodes[high], distanceLengths[high]);
    const uint32_t length = token.value - static_cast<uint32_t>(shortest);
    const uint32_t code = std::min(length, kLastLengthCode);
    out.putCode(lengthCodes[code], lengthLengths[code]);
    if (code == kLastLengthCode) out.put(length - kLastLengthCode, 8);
  }
  return out.take();
}

}  // namespace ostrya::testing
