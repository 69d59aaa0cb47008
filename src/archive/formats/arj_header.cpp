// portable: no platform headers.
#include "archive/formats/arj_header.h"

#include <algorithm>
#include <cstring>

#include "archive/byte_fields.h"
#include "archive/crc32.h"
#include "archive/host_file.h"

namespace ostrya::archive {
namespace {

// A header on disk: marker, size of the basic header, the basic header, its CRC-32, then
// extended headers (a 16-bit size, that many bytes and a CRC-32 each) up to a size of 0.
constexpr std::size_t kMarkerSize = 2;
constexpr std::size_t kSizeField = 2;
constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kLead = kMarkerSize + kSizeField;

// The basic header: the fixed part, whose size its first byte gives (30 or more), then the
// name and the comment, each ended by a NUL.
constexpr std::size_t kFirstHeaderSize = 0;
constexpr std::size_t kArchiverVersion = 1;
constexpr std::size_t kMinimumVersion = 2;
constexpr std::size_t kHostSystem = 3;
constexpr std::size_t kFlags = 4;
constexpr std::size_t kMethod = 5;
constexpr std::size_t kFileType = 6;
constexpr std::size_t kModified = 8;
constexpr std::size_t kCompressedSize = 12;
constexpr std::size_t kOriginalSize = 16;
constexpr std::size_t kFileCrc = 20;
constexpr std::size_t kAttributes = 26;
constexpr std::size_t kFixedPart = 30;

// The scan for the main header behind a self-extracting program looks no further than this.
constexpr uint64_t kScanLimit = 500000;
// It reads the file in windows of this size, each with the room a header and its CRC-32 may
// take after its last position.
constexpr std::size_t kScanWindow = 65536;
constexpr std::size_t kHeaderReach = kLead + kArjLargestHeader + kCrcSize;

bool readAt(const HostServices& services, HostFile file, uint64_t offset, uint8_t* bytes,
            std::size_t count) {
  return services.SeekFile(file, static_cast<int64_t>(offset), platform::SeekFrom::Start,
                           nullptr) == 0 &&
         services.ReadExact(file, bytes, static_cast<uint32_t>(count)) == 0;
}

void parseBasicHeader(const uint8_t* basic, std::size_t size, ArjHeader& header) {
  header.archiverVersion = basic[kArchiverVersion];
  header.minimumVersion = basic[kMinimumVersion];
  header.hostSystem = basic[kHostSystem];
  header.flags = basic[kFlags];
  header.method = basic[kMethod];
  header.fileType = basic[kFileType];
  header.modified = le32(basic + kModified);
  header.compressedSize = le32(basic + kCompressedSize);
  header.originalSize = le32(basic + kOriginalSize);
  header.fileCrc = le32(basic + kFileCrc);
  header.attributes = le16(basic + kAttributes);
  const std::size_t first = basic[kFirstHeaderSize];
  const auto* name = basic + first;
  const void* nul = std::memchr(name, 0, size - first);
  const std::size_t length = nul ? static_cast<const uint8_t*>(nul) - name : size - first;
  std::memcpy(header.name, name, length);
  header.name[length] = '\0';
}

// Whether a marker at `at` of the `count` bytes in hand starts a header with its CRC-32 and a
// fixed part: an empty one would be the end marker, which no archive starts with.
bool holdsHeader(const uint8_t* bytes, std::size_t count, std::size_t at) {
  if (count - at < kLead || le16(bytes + at) != kArjMarker) return false;
  const std::size_t size = le16(bytes + at + kMarkerSize);
  if (size < kFixedPart || size > kArjLargestHeader || count - at - kLead < size + kCrcSize)
    return false;
  const uint8_t* basic = bytes + at + kLead;
  return crc32(basic, size) == le32(basic + size);
}

}  // namespace

// A header that the file's end cuts short is damaged: so is a fixed part that the header
// cannot hold. Extended headers are skipped.
ArjRead readArjHeader(const HostServices& services, HostFile file, uint64_t fileSize,
                      uint64_t offset, ArjHeader& header) {
  if (offset >= fileSize) return ArjRead::End;
  if (fileSize - offset < kLead) return ArjRead::Damaged;
  uint8_t lead[kLead];
  if (!readAt(services, file, offset, lead, sizeof lead)) return ArjRead::ReadFailed;
  if (le16(lead) != kArjMarker) return ArjRead::NotArj;
  const std::size_t size = le16(lead + kMarkerSize);
  if (size == 0) return ArjRead::End;
  if (size > kArjLargestHeader || fileSize - offset - kLead < size + kCrcSize)
    return ArjRead::Damaged;
  uint8_t basic[kArjLargestHeader + kCrcSize];
  if (services.ReadExact(file, basic, static_cast<uint32_t>(size + kCrcSize)) != 0)
    return ArjRead::ReadFailed;
  if (crc32(basic, size) != le32(basic + size)) return ArjRead::Damaged;
  if (size < kFixedPart || basic[kFirstHeaderSize] < kFixedPart || basic[kFirstHeaderSize] > size)
    return ArjRead::Damaged;
  parseBasicHeader(basic, size, header);

  uint64_t next = offset + kLead + size + kCrcSize;
  for (;;) {
    uint8_t field[kSizeField];
    if (fileSize - next < kSizeField) return ArjRead::Damaged;
    if (services.ReadExact(file, field, sizeof field) != 0) return ArjRead::ReadFailed;
    next += kSizeField;
    const uint64_t extended = le16(field);
    if (extended == 0) break;
    if (fileSize - next < extended + kCrcSize) return ArjRead::Damaged;
    next += extended + kCrcSize;
    if (services.SeekFile(file, static_cast<int64_t>(next), platform::SeekFrom::Start, nullptr) !=
        0)
      return ArjRead::ReadFailed;
  }
  header.dataOffset = next;
  return ArjRead::Header;
}

// ARJ's own rule: the first marker whose header's CRC-32 agrees, from the start of the file up
// to two bytes before its end and not past byte 500000.
int findArjMainHeader(const HostServices& services, HostFile file, uint64_t fileSize,
                      uint64_t& offset) {
  const uint64_t end = std::min(fileSize < kMarkerSize ? 0 : fileSize - kMarkerSize, kScanLimit);
  if (end == 0) return kNotThisFormat;
  HostBlock window(services, kScanWindow + kHeaderReach);
  if (!window) return kSetUpFailed;
  for (uint64_t base = 0; base < end; base += kScanWindow) {
    const auto count =
        static_cast<std::size_t>(std::min<uint64_t>(kScanWindow + kHeaderReach, fileSize - base));
    if (!readAt(services, file, base, window.bytes(), count)) return kReadFailed;
    const auto last = static_cast<std::size_t>(std::min<uint64_t>(kScanWindow, end - base));
    for (std::size_t at = 0; at < last; ++at) {
      if (holdsHeader(window.bytes(), count, at)) {
        offset = base + at;
        return kDone;
      }
    }
  }
  return kNotThisFormat;
}

}  // namespace ostrya::archive
