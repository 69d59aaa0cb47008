// portable: no platform headers.
#include "engines/arc/arc_lzw.h"

#include <cstdint>
#include <memory>
#include <new>

#include "engines/byte_input.h"

namespace ostrya::engines::arc {
namespace {

constexpr unsigned kTableSize = 4096;
// Squashing grows its codes to 13 bits, and its table to twice the crunching one.
constexpr unsigned kWidestTable = 8192;
constexpr uint16_t kNone = 0xFFFF;
constexpr unsigned kLiterals = 256;

// Strings are pushed last byte first and popped in order. A chain longer than the table can
// only come from a damaged stream whose links loop.
class DecodeStack {
 public:
  bool push(uint8_t byte) {
    if (depth_ == kWidestTable) return false;
    bytes_[depth_++] = byte;
    return true;
  }
  bool empty() const { return depth_ == 0; }
  bool popAllTo(BufferedOutput& out) {
    while (depth_ > 0)
      if (!out.put(bytes_[--depth_])) return false;
    return true;
  }

 private:
  uint8_t bytes_[kWidestTable];
  unsigned depth_ = 0;
};

// --- crunching ------------------------------------------------------------------------------

struct CrunchEntry {
  bool used = false;
  uint8_t follower = 0;
  uint16_t next = 0;
  uint16_t predecessor = kNone;
};

class CrunchTable {
 public:
  explicit CrunchTable(CrunchHash hash) : hash_(hash) {
    for (unsigned byte = 0; byte < kLiterals; ++byte) add(kNone, static_cast<uint8_t>(byte));
  }
  const CrunchEntry& operator[](unsigned code) const { return entries_[code]; }

  // A string is found again by its predecessor and follower, so the table places it where the
  // compressor did: at the hash, else after the end of the hash's chain.
  void add(uint16_t predecessor, uint8_t follower) {
    unsigned slot = hashOf(predecessor, follower);
    if (entries_[slot].used) {
      unsigned last = slot;
      // Links only ever point at slots that were free, so a chain cannot loop.
      while (entries_[last].next != 0) last = entries_[last].next;
      unsigned free = (last + 101) % kTableSize;
      for (unsigned tried = 0; entries_[free].used; free = (free + 1) % kTableSize)
        if (++tried == kTableSize) return;
      entries_[last].next = static_cast<uint16_t>(free);
      slot = free;
    }
    entries_[slot] = {true, follower, 0, predecessor};
  }

 private:
  unsigned hashOf(uint16_t predecessor, uint8_t follower) const {
    const uint32_t sum = (predecessor + follower) & 0xFFFFu;
    if (hash_ == CrunchHash::New) return (sum * 15073u) % kTableSize;
    const uint32_t k = sum | 0x800u;
    return ((k * k) >> 6) % kTableSize;
  }

  CrunchHash hash_;
  CrunchEntry entries_[kTableSize];
};

// Two 12-bit codes in every three bytes, the first code's high bits first.
class TwelveBitCodes {
 public:
  explicit TwelveBitCodes(ByteInput& input) : input_(input) {}
  bool next(unsigned& code) {
    uint8_t a, b;
    if (holding_) {
      if (!input_.next(a)) return false;
      holding_ = false;
      code = ((held_ << 8) | a) & 0xFFF;
      return true;
    }
    if (!input_.next(a) || !input_.next(b)) return false;
    code = (unsigned{a} << 4) | (b >> 4);
    held_ = b & 0x0F;
    holding_ = true;
    return true;
  }

 private:
  ByteInput& input_;
  unsigned held_ = 0;
  bool holding_ = false;
};

struct CrunchState {
  explicit CrunchState(CrunchHash hash) : table(hash) {}
  CrunchTable table;
  DecodeStack stack;
};

// --- dynamic crunching and squashing -------------------------------------------------------

constexpr unsigned kFirstWidth = 9;
constexpr unsigned kCrunchedWidth = 12;
constexpr unsigned kSquashedWidth = 13;
constexpr unsigned kClear = 256;
constexpr uint8_t kWidthByte = 12;

// Codes of a growing width, least significant bit first, read a block of `width` bytes at a
// time: a change of width or a clear starts a new block, and the rest of the old one is unused.
class DynamicCodes {
 public:
  DynamicCodes(ByteInput& input, unsigned lastWidth) : input_(input), lastWidth_(lastWidth) {}
  // One past the largest code of the widest width: the size of the table.
  unsigned tableSize() const { return 1u << lastWidth_; }

  bool next(unsigned nextFree, unsigned& code) {
    if (clear_ || offset_ >= bitCount_ || nextFree > largest_) {
      if (nextFree > largest_) {
        ++width_;
        largest_ = width_ == lastWidth_ ? tableSize() : (1u << width_) - 1;
      }
      if (clear_) {
        width_ = kFirstWidth;
        largest_ = (1u << kFirstWidth) - 1;
        clear_ = false;
      }
      const std::size_t got = input_.take(block_, width_);
      if (got == 0) return false;
      bitCount_ = static_cast<int>(got * 8) - static_cast<int>(width_ - 1);
      offset_ = 0;
    }
    const unsigned byte = static_cast<unsigned>(offset_) >> 3;
    const uint32_t window =
        block_[byte] | (uint32_t{block_[byte + 1]} << 8) | (uint32_t{block_[byte + 2]} << 16);
    code = (window >> (offset_ & 7)) & ((1u << width_) - 1);
    offset_ += static_cast<int>(width_);
    return true;
  }
  void clear() { clear_ = true; }

 private:
  ByteInput& input_;
  unsigned lastWidth_;
  // Room past the widest block for the bytes a code's window reads beyond it.
  uint8_t block_[kSquashedWidth + 4] = {};
  int offset_ = 0;
  int bitCount_ = 0;
  unsigned width_ = kFirstWidth;
  unsigned largest_ = (1u << kFirstWidth) - 1;
  bool clear_ = false;
};

struct DynamicState {
  uint16_t prefix[kWidestTable] = {};
  uint8_t suffix[kWidestTable] = {};
  DecodeStack stack;
};

Decoded ended(const ByteInput& input, BufferedOutput& out) {
  if (input.failed()) return Decoded::InputFailed;
  return out.flush() ? Decoded::Complete : Decoded::OutputStopped;
}

}  // namespace

Decoded uncrunch(CompressedInput& compressed, DecodedOutput& output, CrunchHash hash) {
  std::unique_ptr<CrunchState> state(new (std::nothrow) CrunchState(hash));
  if (!state) return Decoded::NoMemory;
  CrunchTable& table = state->table;
  DecodeStack& stack = state->stack;
  ByteInput input(compressed);
  TwelveBitCodes codes(input);
  BufferedOutput out(output);

  unsigned oldCode;
  if (!codes.next(oldCode)) return ended(input, out);
  uint8_t finalByte = table[oldCode].follower;
  if (!out.put(finalByte)) return Decoded::OutputStopped;

  unsigned stillToAdd = kTableSize - kLiterals;
  for (unsigned code; codes.next(code);) {
    unsigned current = code;
    // A code not in the table yet is the string just added: the previous one and its first
    // byte.
    if (!table[code].used) {
      stack.push(finalByte);
      current = oldCode;
    }
    while (table[current].predecessor != kNone) {
      if (!stack.push(table[current].follower)) return Decoded::Damaged;
      current = table[current].predecessor & 0xFFF;
    }
    finalByte = table[current].follower;
    if (!stack.push(finalByte)) return Decoded::Damaged;
    if (stillToAdd > 0) {
      table.add(static_cast<uint16_t>(oldCode), finalByte);
      --stillToAdd;
    }
    oldCode = code;
    if (!stack.popAllTo(out)) return Decoded::OutputStopped;
  }
  return ended(input, out);
}

Decoded undynamic(CompressedInput& compressed, DecodedOutput& output, DynamicLzw variant) {
  std::unique_ptr<DynamicState> state(new (std::nothrow) DynamicState);
  if (!state) return Decoded::NoMemory;
  uint16_t* prefix = state->prefix;
  uint8_t* suffix = state->suffix;
  DecodeStack& stack = state->stack;
  ByteInput input(compressed);
  BufferedOutput out(output);

  if (variant == DynamicLzw::Crunched) {
    uint8_t width;
    if (!input.next(width)) return ended(input, out);
    if (width != kWidthByte) return Decoded::Damaged;
  }
  for (unsigned byte = 0; byte < kLiterals; ++byte) suffix[byte] = static_cast<uint8_t>(byte);
  unsigned nextFree = kClear + 1;
  DynamicCodes codes(input, variant == DynamicLzw::Squashed ? kSquashedWidth : kCrunchedWidth);

  unsigned oldCode;
  if (!codes.next(nextFree, oldCode)) return ended(input, out);
  uint8_t finalByte = static_cast<uint8_t>(oldCode);
  if (!out.put(finalByte)) return Decoded::OutputStopped;

  for (unsigned code; codes.next(nextFree, code);) {
    if (code == kClear) {
      for (unsigned byte = 0; byte < kLiterals; ++byte) prefix[byte] = 0;
      codes.clear();
      nextFree = kClear;
      if (!codes.next(nextFree, code)) break;
    }
    const unsigned incoming = code;
    if (code > nextFree) {
      if (variant == DynamicLzw::Squashed) return Decoded::Damaged;
      break;
    }
    // The code being defined right now: the previous string and its first byte.
    if (code == nextFree) {
      stack.push(finalByte);
      code = oldCode;
    }
    while (code >= kLiterals) {
      if (!stack.push(suffix[code])) return Decoded::Damaged;
      code = prefix[code];
    }
    finalByte = suffix[code];
    if (!stack.push(finalByte)) return Decoded::Damaged;
    if (!stack.popAllTo(out)) return Decoded::OutputStopped;
    if (nextFree < codes.tableSize()) {
      prefix[nextFree] = static_cast<uint16_t>(oldCode);
      suffix[nextFree] = finalByte;
      ++nextFree;
    }
    oldCode = incoming;
  }
  return ended(input, out);
}

}  // namespace ostrya::engines::arc
