// A decoder's input and output in memory, for the decoders' tests.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engines/decoder_stream.h"

namespace ostrya::testing {

using Bytes = std::vector<uint8_t>;
inline constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

inline Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// Hands the stream out `piece` bytes at a time; fails the read that would start at `failAt`.
class MemoryInput final : public engines::CompressedInput {
 public:
  explicit MemoryInput(std::span<const uint8_t> bytes, std::size_t piece = kNoLimit,
                       std::size_t failAt = kNoLimit)
      : bytes_(bytes), piece_(piece), failAt_(failAt) {}
  bool read(uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    if (at_ >= failAt_) return false;
    got = std::min({capacity, piece_, bytes_.size() - at_, failAt_ - at_});
    std::copy_n(bytes_.begin() + at_, got, buffer);
    at_ += got;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  std::size_t piece_;
  std::size_t failAt_;
  std::size_t at_ = 0;
};

// Keeps what it is given, and refuses the write that would take it past `limit` bytes.
class MemoryOutput final : public engines::DecodedOutput {
 public:
  explicit MemoryOutput(std::size_t limit = kNoLimit) : limit_(limit) {}
  bool write(const uint8_t* given, std::size_t count) override {
    writes.push_back(count);
    if (count > limit_ - bytes.size()) return false;
    bytes.insert(bytes.end(), given, given + count);
    return true;
  }
  Bytes bytes;
  std::vector<std::size_t> writes;

 private:
  std::size_t limit_;
};

// How a decoder ended, and what it wrote before.
struct Decoding {
  engines::Decoded result;
  Bytes bytes;
};

// Runs `decode(input, output)` on `stream` handed out `piece` bytes at a time, the read that
// would start at `failAt` failing and the output refusing to go past `limit` bytes.
template <typename Decode>
Decoding decodeInMemory(std::span<const uint8_t> stream, Decode&& decode,
                        std::size_t piece = kNoLimit, std::size_t failAt = kNoLimit,
                        std::size_t limit = kNoLimit) {
  MemoryInput input(stream, piece, failAt);
  MemoryOutput output(limit);
  const engines::Decoded result = decode(input, output);
  return {result, std::move(output.bytes)};
}

}  // namespace ostrya::testing
