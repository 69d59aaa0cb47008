// portable: no platform headers.
#include "archive/formats/arj.h"

#include "archive/byte_fields.h"
#include "archive/crc32.h"

namespace ostrya::archive {
namespace {

// A header: the marker, the basic header's size, the basic header, its CRC-32. The scan keeps
// the largest header in hand so that a header and its checksum always lie inside the buffer.
constexpr uint16_t kMarker = 0xEA60;
constexpr std::size_t kSizeOffset = 2;
constexpr std::size_t kHeaderOffset = kSizeOffset + 2;
constexpr std::size_t kLargestHeader = 2600;

}  // namespace

bool isArjHead(const uint8_t* head, const char*) {
  return le16(head) == kMarker;
}

// After a rejected candidate the scan skips the bytes the candidate has shown to be its own:
// the marker and size when the size is too large, and the first byte of the header as well
// when the checksum differs.
bool findArjHeader(const uint8_t* buffer, std::size_t m, uint64_t) {
  if (m <= kLargestHeader) return false;
  std::size_t i = 0;
  while (i + kLargestHeader < m) {
    if (le16(buffer + i) != kMarker) {
      ++i;
      continue;
    }
    const std::size_t size = le16(buffer + i + kSizeOffset);
    if (size > kLargestHeader) {
      i += 3;
      continue;
    }
    const uint8_t* header = buffer + i + kHeaderOffset;
    if (crc32(header, size) == le32(header + size)) return true;
    i += 5;
  }
  return false;
}

}  // namespace ostrya::archive
