// portable: no platform headers.
#include "archive/crc32.h"

#include <array>

namespace ostrya::archive {
namespace {

constexpr std::array<uint32_t, 256> makeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

}  // namespace

uint32_t crc32Update(uint32_t state, const uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) state = kTable[(state ^ bytes[i]) & 0xFF] ^ (state >> 8);
  return state;
}

}  // namespace ostrya::archive
