#include "zoo_lzw_encoder.h"

#include <unordered_map>

namespace ostrya::testing {
namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;
constexpr uint32_t kFirstFree = 258;
constexpr unsigned kFirstWidth = 9;
constexpr unsigned kLastWidth = 13;
constexpr uint32_t kCodes = uint32_t{1} << kLastWidth;

// Codes least significant bit first.
class BitWriter {
 public:
  void put(uint32_t code, unsigned width) {
    bits_ |= uint64_t{code} << held_;
    held_ += width;
    while (held_ >= 8) {
      bytes_.push_back(static_cast<uint8_t>(bits_));
      bits_ >>= 8;
      held_ -= 8;
    }
  }
  std::vector<uint8_t> finish() {
    if (held_ > 0) bytes_.push_back(static_cast<uint8_t>(bits_));
    return bytes_;
  }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t bits_ = 0;
  unsigned held_ = 0;
};

}  // namespace

std::vector<uint8_t> zooLzwEncode(std::span<const uint8_t> data) {
  BitWriter out;
  unsigned width = kFirstWidth;
  uint32_t free = kFirstFree;
  std::unordered_map<uint32_t, uint32_t> nodes;
  out.put(kClear, width);
  if (data.empty()) {
    out.put(kEnd, width);
    return out.finish();
  }
  // Counts the node made after a code, widening or clearing where ZOO does. The node past the
  // table's last code is counted but never made.
  const auto counted = [&](bool mayClear) {
    ++free;
    if (free <= (uint32_t{1} << width)) return;
    if (width < kLastWidth) {
      ++width;
    } else if (mayClear) {
      out.put(kClear, width);
      nodes.clear();
      width = kFirstWidth;
      free = kFirstFree;
    }
  };
  uint32_t string = data[0];
  for (std::size_t i = 1; i < data.size(); ++i) {
    const uint32_t key = string << 8 | data[i];
    if (const auto found = nodes.find(key); found != nodes.end()) {
      string = found->second;
      continue;
    }
    out.put(string, width);
    if (free < kCodes) nodes[key] = free;
    counted(true);
    string = data[i];
  }
  out.put(string, width);
  // The decoder makes a node after the last code too, and reads the end code at its width.
  counted(false);
  out.put(kEnd, width);
  return out.finish();
}

}  // namespace ostrya::testing
