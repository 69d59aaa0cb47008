// portable: no platform headers.
#include "archive/formats/lha.h"

#include <algorithm>

namespace ostrya::archive {
namespace {

// A header length byte, a checksum byte, then a method such as "-lh5-".
constexpr std::size_t kLengthOffset = 0;
constexpr std::size_t kChecksumOffset = kLengthOffset + 1;
constexpr std::size_t kMethodOffset = kChecksumOffset + 1;
constexpr std::size_t kMethodEnd = kMethodOffset + 4;
// A header is longer than 20 bytes; the length byte counts as signed, so 127 is the most.
constexpr int kShortestHeader = 21;
// Self-extracting LHA programs put the archive close behind a small stub.
constexpr std::size_t kScanEnd = 3000;

}  // namespace

bool isLhaHead(const uint8_t* head, const char*) {
  return head[kMethodOffset] == '-' && head[kMethodOffset + 1] == 'l' && head[kMethodEnd] == '-';
}

// The checksum is the 8-bit sum of the header bytes after the checksum byte itself; bytes of
// 0x80 and above are summed like any other.
bool lhaHeaderAt(const uint8_t* at, std::size_t available) {
  if (available <= kMethodEnd || !isLhaHead(at, nullptr)) return false;
  const int length = static_cast<int8_t>(at[kLengthOffset]);
  if (length < kShortestHeader) return false;
  if (kMethodOffset + static_cast<std::size_t>(length) > available) return false;
  uint8_t sum = 0;
  for (int i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + at[kMethodOffset + i]);
  return sum == at[kChecksumOffset];
}

// The weakest test of all, so it is tried only near the start, where LHA's own stubs end.
std::size_t findEmbeddedLha(const uint8_t* buffer, std::size_t end, std::size_t length) {
  const std::size_t scanned = std::min(end, kScanEnd);
  for (std::size_t i = 0; i < scanned; ++i)
    if (lhaHeaderAt(buffer + i, length - i)) return i;
  return end;
}

}  // namespace ostrya::archive
