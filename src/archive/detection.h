// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ostrya::archive {

// Detection reads a head of this many bytes first, then at most kDeepReadCap bytes in all.
inline constexpr std::size_t kHeadSize = 29;
inline constexpr std::size_t kDeepReadCap = 0x20000;

// A format's tests on what detection read from the start of a file. Each is optional; the
// order they are tried in across formats is detection's own.
struct DetectionTests {
  // On the head of kHeadSize bytes; the path is for a test that asks an engine.
  bool (*head)(const uint8_t* head, const char* path);
  // On `buffer`, of which the first `m` bytes may be looked at; `fileSize` is the whole file's.
  bool (*deep)(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
  // The first offset below `end` where an archive of the format begins behind a
  // self-extracting program, in a buffer of `length` bytes; `end` when there is none.
  std::size_t (*embedded)(const uint8_t* buffer, std::size_t end, std::size_t length);
};

inline bool bytesAre(const uint8_t* at, const char* text, std::size_t count) {
  return std::memcmp(at, text, count) == 0;
}

// The first offset below `end` that holds the byte `lead` and where `startsHere` holds;
// `end` when none does.
template <typename StartsHere>
std::size_t findFirst(const uint8_t* buffer, std::size_t end, uint8_t lead, StartsHere startsHere) {
  for (std::size_t i = 0; i < end; ++i) {
    const void* found = std::memchr(buffer + i, lead, end - i);
    if (found == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const uint8_t*>(found) - buffer);
    if (startsHere(buffer + i)) return i;
  }
  return end;
}

// The same for a mark of `count` bytes, all inside the buffer wherever it is looked for.
inline std::size_t findMark(const uint8_t* buffer, std::size_t end, const char* mark,
                            std::size_t count) {
  return findFirst(buffer, end, static_cast<uint8_t>(mark[0]),
                   [&](const uint8_t* at) { return bytesAre(at, mark, count); });
}

}  // namespace ostrya::archive
