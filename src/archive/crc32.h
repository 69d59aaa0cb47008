// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::archive {

// The reflected CRC-32 with polynomial 0xEDB88320. crc32Update carries the raw register, for
// formats that store it without the final complement.
uint32_t crc32Update(uint32_t state, const uint8_t* bytes, std::size_t count);
inline uint32_t crc32(const uint8_t* bytes, std::size_t count) {
  return ~crc32Update(0xFFFFFFFFu, bytes, count);
}

}  // namespace ostrya::archive
