// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::archive {

// Unsigned numbers as archive headers store them: least significant byte first (FAT, ISO 9660's
// little-endian copies, gzip, ARJ) or most significant first (RPM, Joliet's UTF-16).
inline uint16_t le16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}
inline uint32_t le32(const uint8_t* at) {
  return le16(at) | uint32_t{le16(at + 2)} << 16;
}
inline uint16_t be16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] << 8 | at[1]);
}
inline uint32_t be32(const uint8_t* at) {
  return uint32_t{be16(at)} << 16 | be16(at + 2);
}

// The digits a tar number field begins with, after leading blanks; 0 without any. Old writers
// pad with blanks, newer ones with zeros, and the field may end in a NUL or a blank.
inline uint64_t leadingOctal(const uint8_t* field, std::size_t length) {
  std::size_t i = 0;
  while (i < length && field[i] == ' ') ++i;
  uint64_t value = 0;
  for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i)
    value = value * 8 + (field[i] - '0');
  return value;
}

}  // namespace ostrya::archive
