// portable: no platform headers.
#include "engines/arc/arc_unsqueeze.h"

#include <cstdint>

#include "engines/byte_input.h"

namespace ostrya::engines::arc {
namespace {

constexpr unsigned kMostNodes = 256;
constexpr int kEndOfData = 256;

bool readWord(ByteInput& input, uint16_t& word) {
  uint8_t low, high;
  if (!input.next(low) || !input.next(high)) return false;
  word = static_cast<uint16_t>(low | (high << 8));
  return true;
}

}  // namespace

Decoded unsqueeze(CompressedInput& compressed, DecodedOutput& output) {
  ByteInput input(compressed);
  BufferedOutput out(output);
  const auto ended = [&] {
    if (input.failed()) return Decoded::InputFailed;
    return out.flush() ? Decoded::Complete : Decoded::OutputStopped;
  };

  uint16_t nodeCount;
  if (!readWord(input, nodeCount)) return ended();
  if (nodeCount > kMostNodes) return Decoded::Damaged;
  // children[node][bit]: a node's index, or -(value + 1) for a leaf.
  int16_t children[kMostNodes][2];
  for (unsigned node = 0; node < nodeCount; ++node) {
    for (int16_t& child : children[node]) {
      uint16_t word;
      if (!readWord(input, word)) return ended();
      child = static_cast<int16_t>(word);
    }
  }
  // A tree without nodes holds nothing but the end.
  if (nodeCount == 0) return ended();

  unsigned node = 0;
  for (uint8_t byte; input.next(byte);) {
    for (unsigned bit = 0; bit < 8; ++bit, byte >>= 1) {
      const int child = children[node][byte & 1];
      if (child >= 0) {
        if (static_cast<unsigned>(child) >= nodeCount) return Decoded::Damaged;
        node = static_cast<unsigned>(child);
        continue;
      }
      const int value = -(child + 1);
      if (value == kEndOfData) return ended();
      if (value > kEndOfData) return Decoded::Damaged;
      if (!out.put(static_cast<uint8_t>(value))) return Decoded::OutputStopped;
      node = 0;
    }
  }
  return ended();
}

}  // namespace ostrya::engines::arc
