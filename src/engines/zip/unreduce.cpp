// portable: no platform headers.
#include "engines/zip/unreduce.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <memory>
#include <new>

#include "engines/zip/bit_input.h"

namespace ostrya::engines::zip {
namespace {

// Reducing is two layers. The inner one turns runs and repeats into DLE sequences:
//   DLE 0                      a literal DLE
//   DLE V [E] D                copy L + 3 bytes from distance H * 256 + D + 1, where V holds H in
//                              its top `factor` bits and L in the rest; E follows when L is all
//                              ones and adds to it.
// The outer layer codes each byte of that stream by the byte before it: a set of likely
// followers per byte, stored ahead of the data, lets a follower cost a flag and an index.
constexpr uint8_t kDle = 144;
constexpr unsigned kSetCountBits = 6;
constexpr unsigned kSets = 256;
// The format allows 32 followers, but the count field reaches 63 and a larger set costs
// nothing to read.
constexpr unsigned kLargestSet = (1u << kSetCountBits) - 1;
constexpr unsigned kShortestCopy = 3;
constexpr int kFirstFactor = 1;
constexpr int kLastFactor = 4;
// Copies reach back 4 KiB at most; the ring is larger so that each write passes on 16 KiB.
// Its initial zeros stand for the data before the start of the output, which the format says a
// copy reaching there finds filled with zeros.
constexpr std::size_t kRing = 16384;
constexpr uint64_t kRingMask = kRing - 1;
constexpr int kIndexOutsideSet = -1;

struct FollowerSet {
  uint8_t count;
  uint8_t indexBits;
  uint8_t bytes[kLargestSet];
};

enum class Step { Literal, AfterDle, LengthByte, DistanceByte };

class Unreducer {
 public:
  Unreducer(CompressedInput& input, DecodedOutput& output, int factor)
      : bits_(input),
        output_(output),
        lengthBits_(8 - static_cast<unsigned>(factor)),
        lengthMask_((1u << lengthBits_) - 1) {}

  Decoded run(uint64_t size) {
    readSets();
    if (bits_.overrun()) return ended();
    Step step = Step::Literal;
    unsigned marker = 0;
    unsigned length = 0;
    while (produced_ < size) {
      const int next = nextByte();
      if (bits_.overrun()) return ended();
      if (next == kIndexOutsideSet) return damaged();
      const auto byte = static_cast<uint8_t>(next);
      switch (step) {
        case Step::Literal:
          if (byte == kDle) {
            step = Step::AfterDle;
          } else if (!put(byte)) {
            return Decoded::OutputStopped;
          }
          break;
        case Step::AfterDle:
          if (byte == 0) {
            if (!put(kDle)) return Decoded::OutputStopped;
            step = Step::Literal;
          } else {
            marker = byte;
            length = byte & lengthMask_;
            step = length == lengthMask_ ? Step::LengthByte : Step::DistanceByte;
          }
          break;
        case Step::LengthByte:
          length += byte;
          step = Step::DistanceByte;
          break;
        case Step::DistanceByte:
          if (!copy((marker >> lengthBits_) * 256 + byte + 1, length + kShortestCopy, size)) {
            return Decoded::OutputStopped;
          }
          step = Step::Literal;
          break;
      }
    }
    return flush() ? Decoded::Complete : Decoded::OutputStopped;
  }

 private:
  // Stored from the set of byte 255 down to that of byte 0.
  void readSets() {
    for (unsigned set = kSets; set-- > 0;) {
      FollowerSet& followers = sets_[set];
      followers.count = static_cast<uint8_t>(bits_.take(kSetCountBits));
      // The bits of the largest index, one at least: a set of one still spends a bit on it.
      followers.indexBits =
          static_cast<uint8_t>(std::max(1, static_cast<int>(std::bit_width(followers.count - 1u))));
      for (unsigned i = 0; i < followers.count; ++i) {
        followers.bytes[i] = static_cast<uint8_t>(bits_.take(8));
      }
    }
  }

  // The next byte of the inner stream.
  int nextByte() {
    const FollowerSet& followers = sets_[last_];
    if (followers.count == 0 || bits_.take(1) == 1) {
      last_ = static_cast<uint8_t>(bits_.take(8));
    } else {
      const uint32_t index = bits_.take(followers.indexBits);
      if (index >= followers.count) return kIndexOutsideSet;
      last_ = followers.bytes[index];
    }
    return last_;
  }

  bool put(uint8_t byte) {
    ring_[produced_ & kRingMask] = byte;
    ++produced_;
    return (produced_ & kRingMask) != 0 || flush();
  }
  bool copy(unsigned distance, unsigned count, uint64_t size) {
    const auto bytes = static_cast<unsigned>(std::min<uint64_t>(count, size - produced_));
    for (unsigned i = 0; i < bytes; ++i) {
      if (!put(ring_[(produced_ - distance) & kRingMask])) return false;
    }
    return true;
  }
  bool flush() {
    const std::size_t count = static_cast<std::size_t>(produced_ - flushed_);
    const std::size_t from = static_cast<std::size_t>(flushed_ & kRingMask);
    flushed_ = produced_;
    return count == 0 || output_.write(ring_ + from, count);
  }
  // What was decoded before the damage is good and reaches the output.
  Decoded damaged() {
    flush();
    return Decoded::Damaged;
  }
  Decoded ended() { return bits_.failed() ? Decoded::InputFailed : damaged(); }

  BitInput bits_;
  DecodedOutput& output_;
  const unsigned lengthBits_;
  const unsigned lengthMask_;
  FollowerSet sets_[kSets];
  uint8_t last_ = 0;
  uint8_t ring_[kRing] = {};
  uint64_t produced_ = 0;
  uint64_t flushed_ = 0;
};

}  // namespace

Decoded unreduce(CompressedInput& input, DecodedOutput& output, uint64_t size, int factor) {
  if (factor < kFirstFactor || factor > kLastFactor) return Decoded::Damaged;
  if (size == 0) return Decoded::Complete;
  std::unique_ptr<Unreducer> decoder(new (std::nothrow) Unreducer(input, output, factor));
  if (!decoder) return Decoded::NoMemory;
  return decoder->run(size);
}

}  // namespace ostrya::engines::zip
