#include "zip_shrink_encoder.h"

#include <memory>
#include <unordered_map>
#include <utility>

#include "zip_bit_writer.h"

namespace ostrya::testing {
namespace {

constexpr unsigned kFirstWidth = 9;
constexpr uint32_t kCodes = 8192;
constexpr uint32_t kCommand = 256;
constexpr uint32_t kFirstNode = kCommand + 1;
constexpr uint32_t kWiden = 1;
constexpr uint32_t kPartialClear = 2;

// The compressor's copy of the tree the decoder builds: the same nodes under the same codes,
// found by prefix and byte.
class Dictionary {
 public:
  // The node for `prefix` followed by `byte`, or 0 when there is none.
  uint32_t find(uint32_t prefix, uint8_t byte) const {
    const auto found = nodes_.find(key(prefix, byte));
    return found == nodes_.end() ? 0 : found->second;
  }
  bool full() const { return next_ == kCodes; }
  bool isLeaf(uint32_t code) const { return code >= kFirstNode && children_[code] == 0; }

  void add(uint32_t prefix, uint8_t byte) {
    if (full()) return;
    prefix_[next_] = prefix;
    byte_[next_] = byte;
    used_[next_] = true;
    ++children_[prefix];
    nodes_[key(prefix, byte)] = next_;
    advance(next_ + 1);
  }

  void partialClear() {
    bool leaf[kCodes] = {};
    for (uint32_t code = kFirstNode; code < kCodes; ++code) {
      leaf[code] = used_[code] && children_[code] == 0;
    }
    for (uint32_t code = kFirstNode; code < kCodes; ++code) {
      if (!leaf[code]) continue;
      used_[code] = false;
      --children_[prefix_[code]];
      nodes_.erase(key(prefix_[code], byte_[code]));
    }
    advance(kFirstNode);
  }

 private:
  static uint32_t key(uint32_t prefix, uint8_t byte) { return prefix << 8 | byte; }
  void advance(uint32_t from) {
    next_ = from;
    while (next_ < kCodes && used_[next_]) ++next_;
  }

  std::unordered_map<uint32_t, uint32_t> nodes_;
  uint32_t prefix_[kCodes] = {};
  uint8_t byte_[kCodes] = {};
  bool used_[kCodes] = {};
  unsigned children_[kCodes] = {};
  uint32_t next_ = kFirstNode;
};

}  // namespace

std::vector<uint8_t> shrinkForTest(std::span<const uint8_t> data, ShrinkCounts* counts) {
  ShrinkCounts local;
  ShrinkCounts& counted = counts ? *counts : local;
  counted = {};
  if (data.empty()) return {};
  BitWriter out;
  unsigned width = kFirstWidth;
  auto emit = [&](uint32_t code) {
    while (code >> width != 0) {
      out.put(kCommand, width);
      out.put(kWiden, width);
      ++width;
      ++counted.widenings;
    }
    out.put(code, width);
  };
  auto dictionary = std::make_unique<Dictionary>();
  uint32_t current = data[0];
  for (std::size_t at = 1; at < data.size(); ++at) {
    const uint8_t byte = data[at];
    if (const uint32_t longer = dictionary->find(current, byte)) {
      current = longer;
      continue;
    }
    emit(current);
    // Clears as soon as the table is full, before the decoder needs a code for the next node:
    // UnZip takes a code that finds the table full for damage.
    if (dictionary->full()) {
      if (dictionary->isLeaf(current)) ++counted.clearsOfTheCodeJustSent;
      out.put(kCommand, width);
      out.put(kPartialClear, width);
      dictionary->partialClear();
      ++counted.partialClears;
    }
    dictionary->add(current, byte);
    current = byte;
  }
  emit(current);
  return out.take();
}

}  // namespace ostrya::testing
