// portable: no platform headers.
#include "archive/crc16.h"

#include <array>

namespace ostrya::archive {
namespace {

constexpr std::array<uint16_t, 256> makeTable() {
  std::array<uint16_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xA001u : value >> 1;
    table[i] = static_cast<uint16_t>(value);
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = makeTable();

}  // namespace

uint16_t crc16Update(uint16_t state, const uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    state = static_cast<uint16_t>(kTable[(state ^ bytes[i]) & 0xFF] ^ (state >> 8));
  return state;
}

}  // namespace ostrya::archive
