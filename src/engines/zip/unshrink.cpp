// portable: no platform headers.
#include "engines/zip/unshrink.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "engines/zip/bit_input.h"

namespace ostrya::engines::zip {
namespace {

constexpr unsigned kFirstWidth = 9;
constexpr unsigned kLastWidth = 13;
constexpr uint32_t kCodes = uint32_t{1} << kLastWidth;
// Code 256 says the next code is a command; the tree's own codes come after it.
constexpr uint32_t kCommand = 256;
constexpr uint32_t kFirstNode = kCommand + 1;
constexpr uint32_t kWiden = 1;
constexpr uint32_t kPartialClear = 2;
constexpr uint32_t kNoCode = kCodes;
constexpr uint32_t kWordBits = 64;
constexpr uint32_t kWords = kCodes / kWordBits;
constexpr std::size_t kChunk = 16384;

// The LZW tree above the literals: a node is its prefix's string and one byte more. A partial
// clear frees every node that is no node's prefix, and freed codes are given out again lowest
// first. The tree counts each node's children and keeps bitmaps of the codes in use and of the
// prefixes, so a clear is a pass over 128 words rather than 8192 codes: a damaged stream may
// ask for a clear every 18 bits.
//
// A node names its prefix by code only, also when that code has been freed and given out again
// since, which is how the compressor's own table behaves. A freed node is no longer its prefix's
// child, so a second clear frees the prefixes the first left childless. UnZip counts freed
// children until their codes are given out again; the two agree when clears come only at a
// full table, where compressors put them.
class CodeTree {
 public:
  bool inUse(uint32_t code) const { return (used_[code / kWordBits] >> (code % kWordBits)) & 1; }
  uint32_t prefix(uint32_t code) const { return prefix_[code]; }
  uint8_t last(uint32_t code) const { return last_[code]; }
  // The code the next node takes, kNoCode while every code is in use.
  uint32_t nextFree() const { return next_; }

  // A code read while every code is in use makes no node. UnZip takes such a code for damage,
  // but nothing in the format forbids it.
  void add(uint32_t prefix, uint8_t last) {
    if (next_ == kNoCode) return;
    const uint32_t code = next_;
    prefix_[code] = static_cast<uint16_t>(prefix);
    last_[code] = last;
    mark(used_, code);
    if (prefix >= kFirstNode && children_[prefix]++ == 0) mark(prefixes_, prefix);
    next_ = firstFree(code + 1);
  }

  void partialClear() {
    // The leaves are all chosen before any is freed: a prefix left childless by this clear
    // stays until the next one.
    uint64_t leaves[kWords];
    for (uint32_t word = 0; word < kWords; ++word) leaves[word] = used_[word] & ~prefixes_[word];
    for (uint32_t word = 0; word < kWords; ++word) {
      for (uint64_t bits = leaves[word]; bits != 0; bits &= bits - 1) {
        const uint32_t code = word * kWordBits + static_cast<uint32_t>(std::countr_zero(bits));
        unmark(used_, code);
        const uint32_t prefix = prefix_[code];
        if (prefix >= kFirstNode && --children_[prefix] == 0) unmark(prefixes_, prefix);
      }
    }
    next_ = firstFree(kFirstNode);
  }

 private:
  static void mark(uint64_t* bits, uint32_t code) {
    bits[code / kWordBits] |= uint64_t{1} << (code % kWordBits);
  }
  static void unmark(uint64_t* bits, uint32_t code) {
    bits[code / kWordBits] &= ~(uint64_t{1} << (code % kWordBits));
  }
  // `from` is past the literals and the command code, which are never marked in use.
  uint32_t firstFree(uint32_t from) const {
    for (uint32_t word = from / kWordBits; word < kWords; ++word) {
      uint64_t free = ~used_[word];
      if (word == from / kWordBits) free &= ~uint64_t{0} << (from % kWordBits);
      if (free != 0) return word * kWordBits + static_cast<uint32_t>(std::countr_zero(free));
    }
    return kNoCode;
  }

  uint16_t prefix_[kCodes];
  uint8_t last_[kCodes];
  uint16_t children_[kCodes] = {};
  uint64_t used_[kWords] = {};
  uint64_t prefixes_[kWords] = {};
  uint32_t next_ = kFirstNode;
};

class Unshrinker {
 public:
  Unshrinker(CompressedInput& input, DecodedOutput& output) : bits_(input), output_(output) {}

  Decoded run(uint64_t size) {
    unsigned width = kFirstWidth;
    uint32_t previous = kNoCode;
    // The string of the code just read is string_[start, kCodes).
    std::size_t start = kCodes;
    while (size > 0) {
      const uint32_t code = bits_.take(width);
      if (code == kCommand) {
        const uint32_t command = bits_.take(width);
        if (bits_.overrun()) return ended();
        if (command == kWiden && width < kLastWidth) {
          ++width;
        } else if (command == kPartialClear) {
          tree_.partialClear();
        } else {
          return damaged();
        }
        continue;
      }
      if (bits_.overrun()) return ended();
      if (code < kCommand) {
        start = kCodes - 1;
        string_[start] = static_cast<uint8_t>(code);
      } else if (tree_.inUse(code)) {
        if (!spell(code, start)) return damaged();
      } else if (code == tree_.nextFree() && continues(previous) && start > 0) {
        // The node the compressor made from the previous string and this one's first byte,
        // sent before this decoder could make it: being that node, it starts with the same
        // byte as the previous string.
        std::memmove(string_ + start - 1, string_ + start, kCodes - start);
        --start;
        string_[kCodes - 1] = string_[start];
      } else {
        return damaged();
      }
      if (previous != kNoCode) tree_.add(previous, string_[start]);
      previous = code;
      const std::size_t length = static_cast<std::size_t>(std::min<uint64_t>(kCodes - start, size));
      if (!emit(string_ + start, length)) return Decoded::OutputStopped;
      size -= length;
    }
    return flush() ? Decoded::Complete : Decoded::OutputStopped;
  }

 private:
  // Whether a code sent now may be the node made from `previous`. A compressor makes it from a
  // code still in the tree: after a clear freed the previous code, the node could only name
  // itself as its prefix, and UnZip takes such a stream for damage too.
  bool continues(uint32_t previous) const {
    return previous < kCommand || (previous != kNoCode && tree_.inUse(previous));
  }

  // Writes the string of a node to the end of string_. A valid node leads to a literal through
  // nodes in use, each code once, so a walk through a freed node or longer than the table is
  // damage (a loop, which only a forged stream makes).
  bool spell(uint32_t code, std::size_t& start) {
    std::size_t at = kCodes;
    while (code >= kFirstNode) {
      if (at == 1 || !tree_.inUse(code)) return false;
      string_[--at] = tree_.last(code);
      code = tree_.prefix(code);
    }
    string_[--at] = static_cast<uint8_t>(code);
    start = at;
    return true;
  }

  bool emit(const uint8_t* bytes, std::size_t count) {
    while (count > 0) {
      const std::size_t piece = std::min(count, kChunk - held_);
      std::memcpy(chunk_ + held_, bytes, piece);
      held_ += piece;
      bytes += piece;
      count -= piece;
      if (held_ == kChunk && !flush()) return false;
    }
    return true;
  }
  bool flush() {
    const std::size_t count = held_;
    held_ = 0;
    return count == 0 || output_.write(chunk_, count);
  }
  // What was decoded before the damage is good and reaches the output.
  Decoded damaged() {
    flush();
    return Decoded::Damaged;
  }
  Decoded ended() { return bits_.failed() ? Decoded::InputFailed : damaged(); }

  BitInput bits_;
  DecodedOutput& output_;
  CodeTree tree_;
  uint8_t string_[kCodes];
  uint8_t chunk_[kChunk];
  std::size_t held_ = 0;
};

}  // namespace

Decoded unshrink(CompressedInput& input, DecodedOutput& output, uint64_t size) {
  if (size == 0) return Decoded::Complete;
  std::unique_ptr<Unshrinker> decoder(new (std::nothrow) Unshrinker(input, output));
  if (!decoder) return Decoded::NoMemory;
  return decoder->run(size);
}

}  // namespace ostrya::engines::zip
