// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ostrya::engines::zip {

// How far past a match's end copyMatch may write.
constexpr std::size_t kMatchCopySlack = 8;

// Repeats `length` bytes from `distance` back; the source may overlap what it writes.
inline void copyMatch(uint8_t* to, std::size_t distance, std::size_t length) {
  const uint8_t* from = to - distance;
  if (distance >= 8) {
    // Each piece reads only bytes written before it.
    for (std::size_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
  } else if (distance == 1) {
    std::memset(to, *from, length);
  } else {
    for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
  }
}

}  // namespace ostrya::engines::zip
