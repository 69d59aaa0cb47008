// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::archive {

// The reflected CRC-16 with polynomial 0xA001 and register 0 at the start, the check value of
// the DOS-era archives.
uint16_t crc16Update(uint16_t state, const uint8_t* bytes, std::size_t count);

}  // namespace ostrya::archive
