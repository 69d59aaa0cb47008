#include "zip_reduce_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <utility>

#include "zip_bit_writer.h"

namespace ostrya::testing {
namespace {

constexpr uint8_t kDle = 144;
// The zeros a copy may reach before the data: the farthest reach, that of factor 4.
constexpr std::size_t kZeros = 4096;
constexpr std::size_t kShortestCopy = 3;
constexpr std::size_t kLargestSet = 32;
constexpr unsigned kSetCountBits = 6;
constexpr std::size_t kHashSize = std::size_t{1} << 14;
constexpr int kCandidatesTried = 128;

// The inner layer: literals, literal DLEs as DLE 0, and greedy copies found through hash chains.
std::vector<uint8_t> runsAndCopies(std::span<const uint8_t> data, int factor,
                                   ReduceCounts& counts) {
  const unsigned lengthBits = 8 - static_cast<unsigned>(factor);
  const std::size_t lengthMask = (std::size_t{1} << lengthBits) - 1;
  const std::size_t reach = std::size_t{256} << factor;
  const std::size_t longest = lengthMask + 255 + kShortestCopy;

  std::vector<uint8_t> text(kZeros, 0);
  text.insert(text.end(), data.begin(), data.end());
  const std::size_t end = text.size();
  std::vector<std::ptrdiff_t> head(kHashSize, -1);
  std::vector<std::ptrdiff_t> earlier(end, -1);
  auto hash = [&](std::size_t at) {
    return ((text[at] * 2654435761u) ^ (text[at + 1] * 40503u) ^ text[at + 2]) & (kHashSize - 1);
  };
  auto insert = [&](std::size_t at) {
    if (at + 2 >= end) return;
    const std::size_t slot = hash(at);
    earlier[at] = head[slot];
    head[slot] = static_cast<std::ptrdiff_t>(at);
  };
  for (std::size_t at = 0; at < kZeros; ++at) insert(at);

  std::vector<uint8_t> stream;
  std::size_t at = kZeros;
  while (at < end) {
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (at + 2 < end) {
      int tried = 0;
      for (std::ptrdiff_t candidate = head[hash(at)]; candidate >= 0 && tried < kCandidatesTried;
           candidate = earlier[candidate], ++tried) {
        const std::size_t distance = at - static_cast<std::size_t>(candidate);
        if (distance > reach) break;
        std::size_t length = 0;
        while (length < longest && at + length < end &&
               text[candidate + length] == text[at + length]) {
          ++length;
        }
        // The marker byte of a three-byte copy from 256 bytes back or nearer would be 0, which
        // means a literal DLE.
        if (length == kShortestCopy && distance <= 256) continue;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = distance;
        }
      }
    }
    if (bestLength < kShortestCopy) {
      stream.push_back(text[at]);
      if (text[at] == kDle) {
        stream.push_back(0);
        ++counts.literalDles;
      }
      insert(at++);
      continue;
    }
    const std::size_t code = bestDistance - 1;
    const std::size_t lengthField = std::min(bestLength - kShortestCopy, lengthMask);
    stream.push_back(kDle);
    stream.push_back(static_cast<uint8_t>((code >> 8) << lengthBits | lengthField));
    if (lengthField == lengthMask) {
      stream.push_back(static_cast<uint8_t>(bestLength - kShortestCopy - lengthMask));
      ++counts.longCopies;
    }
    stream.push_back(static_cast<uint8_t>(code & 0xFF));
    ++counts.copies;
    if (bestDistance > at - kZeros) ++counts.copiesBeforeStart;
    for (std::size_t i = 0; i < bestLength; ++i) insert(at + i);
    at += bestLength;
  }
  return stream;
}

unsigned indexBits(std::size_t setSize) {
  return std::max(1u, static_cast<unsigned>(std::bit_width(setSize - 1)));
}

// The outer layer: follower sets from the stream's own byte pairs, then each byte by the byte
// before it.
std::vector<uint8_t> followerCoded(const std::vector<uint8_t>& stream, ReduceCounts& counts) {
  std::vector<std::array<uint32_t, 256>> pairs(256);
  uint8_t last = 0;
  for (uint8_t byte : stream) {
    ++pairs[last][byte];
    last = byte;
  }
  std::vector<std::vector<uint8_t>> sets(256);
  for (std::size_t before = 0; before < 256; ++before) {
    std::vector<uint8_t>& set = sets[before];
    for (std::size_t after = 0; after < 256; ++after) {
      if (pairs[before][after] >= 2) set.push_back(static_cast<uint8_t>(after));
    }
    std::stable_sort(set.begin(), set.end(),
                     [&](uint8_t a, uint8_t b) { return pairs[before][a] > pairs[before][b]; });
    if (set.size() > kLargestSet) set.resize(kLargestSet);
  }

  BitWriter out;
  for (std::size_t before = 256; before-- > 0;) {
    out.put(static_cast<uint32_t>(sets[before].size()), kSetCountBits);
    for (uint8_t follower : sets[before]) out.put(follower, 8);
  }
  last = 0;
  for (uint8_t byte : stream) {
    const std::vector<uint8_t>& set = sets[last];
    const auto found = std::find(set.begin(), set.end(), byte);
    if (set.empty()) {
      out.put(byte, 8);
    } else if (found == set.end()) {
      out.put(1, 1);
      out.put(byte, 8);
    } else {
      out.put(0, 1);
      out.put(static_cast<uint32_t>(found - set.begin()), indexBits(set.size()));
      ++counts.followerIndexes;
    }
    last = byte;
  }
  return out.take();
}

}  // namespace

std::vector<uint8_t> reduceForTest(std::span<const uint8_t> data, int factor,
                                   ReduceCounts* counts) {
  ReduceCounts local;
  ReduceCounts& counted = counts ? *counts : local;
  counted = {};
  return followerCoded(runsAndCopies(data, factor, counted), counted);
}

}  // namespace ostrya::testing
