// portable: no platform headers.
#include "archive/signatures.h"

#include <cstring>

#include "archive/byte_fields.h"
#include "archive/crc32.h"

namespace ostrya::archive {
namespace {

bool bytesAre(const uint8_t* at, const char* text, std::size_t count) {
  return std::memcmp(at, text, count) == 0;
}

constexpr char kZipLocalHeader[] = "PK\x03\x04";
constexpr std::size_t kZipLocalHeaderSize = 4;
constexpr char kRarMark[] = "Rar!\x1A\x07";  // and its terminating 0
constexpr std::size_t kRarMarkSize = 7;
// RAR 5 follows the same six bytes with 1 and 0.
constexpr char kRar5Mark[] = "Rar!\x1A\x07\x01";  // and its terminating 0
constexpr std::size_t kRar5MarkSize = 8;
constexpr char kAceMark[] = "**ACE**";
constexpr std::size_t kAceMarkSize = 7;
// In an ACE archive header the mark follows the header CRC, size, type and flags.
constexpr std::size_t kAceMarkOffset = 7;

// "ZOO 2.10 Archive." 0x1A 0x00; the version in bytes 4 to 7 varies with the writing program.
constexpr char kZooText[] = "ZOO 2.10 Archive.\x1A";  // and its terminating 0
constexpr std::size_t kZooTextSize = 19;
constexpr std::size_t kZooVersionOffset = 4;
constexpr std::size_t kZooVersionSize = 4;

// LHA: a header length byte, a checksum byte, then a method such as "-lh5-".
constexpr std::size_t kLhaLengthOffset = 0;
constexpr std::size_t kLhaChecksumOffset = kLhaLengthOffset + 1;
constexpr std::size_t kLhaMethodOffset = kLhaChecksumOffset + 1;
constexpr std::size_t kLhaMethodEnd = kLhaMethodOffset + 4;
// A header is longer than 20 bytes; the length byte counts as signed, so 127 is the most.
constexpr int kLhaShortestHeader = 21;
// Self-extracting LHA programs put the archive close behind a small stub.
constexpr std::size_t kLhaScanEnd = 3000;

// ARC: marker 0x1A, method (at most 9), a 13-byte name that ends with a NUL.
constexpr uint8_t kArcMarker = 0x1A;
constexpr std::size_t kArcMethodOffset = 1;
constexpr std::size_t kArcNameOffset = 2;
constexpr std::size_t kArcNameSize = 13;
constexpr uint8_t kArcHighestMethod = 9;

constexpr uint16_t kGzipMagic = 0x8B1F;
// Written by some old gzip-compatible packers.
constexpr uint16_t kGzipOldMagic = 0x9E1F;
constexpr uint16_t kBzip2Magic = 0x5A42;
constexpr uint16_t kArjMarker = 0xEA60;

// tar: a 512-byte header block of octal text fields.
constexpr std::size_t kTarBlock = 512;
constexpr std::size_t kTarSizeOffset = 124;
constexpr std::size_t kTarSizeLength = 12;
constexpr std::size_t kTarChecksumOffset = 148;
constexpr std::size_t kTarChecksumLength = 8;
constexpr std::size_t kTarMagicOffset = 257;

// ARJ: marker, basic header size, basic header, its CRC-32. The scan keeps the largest header
// in hand so that a header and its checksum always lie inside the buffer.
constexpr std::size_t kArjSizeOffset = 2;
constexpr std::size_t kArjHeaderOffset = kArjSizeOffset + 2;
constexpr std::size_t kArjLargestHeader = 2600;

// A FAT12 boot sector of a floppy disk.
constexpr std::size_t kBootSector = 512;
constexpr std::size_t kBytesPerSectorOffset = 11;
constexpr std::size_t kSectorsPerClusterOffset = 13;
constexpr std::size_t kRootEntriesOffset = 17;
constexpr std::size_t kSectorsPerTableOffset = 22;
constexpr uint16_t kLargestFloppyTable = 12;
constexpr uint16_t kMostFloppyRootEntries = 224;

// ISO 9660: the primary volume descriptor in the sector at 32768 (after 16 system sectors):
// its type, "CD001", its version.
constexpr std::size_t kIsoDescriptorOffset = 0x8000;
constexpr std::size_t kIsoIdentifierOffset = 1;
constexpr std::size_t kIsoVersionOffset = kIsoIdentifierOffset + 5;
constexpr std::size_t kIsoLeastLength = 0x8800;
constexpr uint8_t kIsoPrimaryDescriptor = 1;

// RPM: a 96-byte lead beginning with the magic and the major version.
constexpr std::size_t kRpmLeadSize = 96;
constexpr std::size_t kRpmMajorOffset = 4;
constexpr uint8_t kRpmLeastMajor = 2;

// cpio in the portable ASCII form: magic, then thirteen 8-digit hexadecimal fields.
constexpr std::size_t kCpioMagicSize = 6;
constexpr std::size_t kCpioFieldSize = 8;
constexpr std::size_t kCpioFields = 13;
constexpr std::size_t kCpioModeOffset = 14;
constexpr std::size_t kCpioLinksOffset = 38;
constexpr std::size_t kCpioTimeOffset = 46;
constexpr std::size_t kCpioFileSizeOffset = 54;
constexpr std::size_t kCpioNameSizeOffset = 94;
constexpr char kCpioTrailer[] = "TRAILER!!!";  // with its NUL, the name of the last entry
constexpr std::size_t kCpioTrailerSize = sizeof kCpioTrailer;

bool isDigitOrBlank(uint8_t c) {
  return (c >= '0' && c <= '9') || c == ' ';
}

// An octal field: leading blanks, digits, then a NUL, a blank or the field's end. -1 when it
// holds no digit or a character of another kind.
int64_t strictOctal(const uint8_t* field, std::size_t length) {
  std::size_t i = 0;
  while (i < length && field[i] == ' ') ++i;
  int64_t value = 0;
  std::size_t digits = 0;
  for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i, ++digits)
    value = value * 8 + (field[i] - '0');
  if (digits == 0) return -1;
  if (i < length && field[i] != '\0' && field[i] != ' ') return -1;
  return value;
}

bool equalsIgnoringCase(const uint8_t* at, const char* lower, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t c = at[i] >= 'A' && at[i] <= 'Z' ? static_cast<uint8_t>(at[i] + 32) : at[i];
    if (c != static_cast<uint8_t>(lower[i])) return false;
  }
  return true;
}

bool looksLikeIso(const uint8_t* buffer, std::size_t m) {
  return m > kIsoLeastLength && isIsoPrimaryDescriptor(buffer + kIsoDescriptorOffset);
}

bool looksLikeRpm(const uint8_t* buffer, std::size_t m) {
  return m >= kRpmLeadSize && bytesAre(buffer, "\xED\xAB\xEE\xDB", 4) &&
         buffer[kRpmMajorOffset] >= kRpmLeastMajor;
}

bool looksLikeCpio(const uint8_t* buffer, std::size_t m) {
  CpioHeader header;
  return m >= kCpioHeaderSize && parseCpioHeader(buffer, m, header) &&
         !isCpioTrailer(buffer, m, header);
}

bool hexField(const uint8_t* field, uint32_t& value) {
  value = 0;
  for (std::size_t i = 0; i < kCpioFieldSize; ++i) {
    const uint8_t c = field[i];
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    value = value * 16 + digit;
  }
  return true;
}

}  // namespace

bool passesArcHeaderTest(const uint8_t* head) {
  if (head[0] != kArcMarker || head[kArcMethodOffset] > kArcHighestMethod) return false;
  return std::memchr(head + kArcNameOffset, 0, kArcNameSize) != nullptr;
}

// Longer signatures first, so that a head matching two takes the one less likely by chance:
// four to nineteen fixed bytes, then LHA's three marks and ARC's marker with its name rule,
// then the two-byte magic numbers.
TypeCode testHead(const uint8_t* head) {
  if (bytesAre(head, kZipLocalHeader, kZipLocalHeaderSize)) return kZip;
  if (bytesAre(head, kRarMark, kRarMarkSize) || bytesAre(head, kRar5Mark, kRar5MarkSize))
    return kRar;
  if (bytesAre(head + kAceMarkOffset, kAceMark, kAceMarkSize)) return kAce;
  if (bytesAre(head, kZooText, kZooVersionOffset) &&
      bytesAre(head + kZooVersionOffset + kZooVersionSize,
               kZooText + kZooVersionOffset + kZooVersionSize,
               kZooTextSize - kZooVersionOffset - kZooVersionSize))
    return kZoo;
  if (head[kLhaMethodOffset] == '-' && head[kLhaMethodOffset + 1] == 'l' &&
      head[kLhaMethodEnd] == '-')
    return kLha;
  if (passesArcHeaderTest(head)) return kArc;
  const uint16_t magic = le16(head);
  if (magic == kGzipMagic || magic == kGzipOldMagic) return kGzip;
  if (magic == kBzip2Magic) return kBzip2;
  if (magic == kArjMarker) return kArj;
  return kNoArchive;
}

// The checksum field is digits or blanks up to a NUL or to the field's end (star fills all eight
// bytes, ending in a blank); a header that passes either has the right checksum or names itself
// "ustar". A size that does not fit the file, compared in full 64 bits, rules out text that
// merely looks like a header.
bool passesTarHeaderTest(const uint8_t* block, std::size_t m, uint64_t fileSize) {
  std::size_t end = kTarChecksumOffset;
  while (end < m && end < kTarChecksumOffset + kTarChecksumLength && block[end] != 0) {
    if (!isDigitOrBlank(block[end])) return false;
    ++end;
  }
  if (end >= m) return false;
  uint32_t sum = 0;
  for (std::size_t i = 0; i < kTarBlock; ++i)
    sum +=
        (i >= kTarChecksumOffset && i < kTarChecksumOffset + kTarChecksumLength) ? ' ' : block[i];
  const int64_t stored = strictOctal(block + kTarChecksumOffset, kTarChecksumLength);
  if (stored != static_cast<int64_t>(sum) &&
      !equalsIgnoringCase(block + kTarMagicOffset, "ustar", 5))
    return false;
  return leadingOctal(block + kTarSizeOffset, kTarSizeLength) < fileSize;
}

// After a rejected candidate the scan skips the bytes the candidate has shown to be its own:
// the marker and size when the size is too large, and the first byte of the header as well
// when the checksum differs.
bool findArjHeader(const uint8_t* buffer, std::size_t m) {
  if (m <= kArjLargestHeader) return false;
  std::size_t i = 0;
  while (i + kArjLargestHeader < m) {
    if (le16(buffer + i) != kArjMarker) {
      ++i;
      continue;
    }
    const std::size_t size = le16(buffer + i + kArjSizeOffset);
    if (size > kArjLargestHeader) {
      i += 3;
      continue;
    }
    const uint8_t* header = buffer + i + kArjHeaderOffset;
    if (crc32(header, size) == le32(header + size)) return true;
    i += 5;
  }
  return false;
}

bool looksLikeFloppyImage(const uint8_t* buffer, std::size_t m) {
  return m > kBootSector && passesFloppyBootSectorTest(buffer);
}

bool passesFloppyBootSectorTest(const uint8_t* boot) {
  const uint16_t tableSectors = le16(boot + kSectorsPerTableOffset);
  const uint8_t sectorsPerCluster = boot[kSectorsPerClusterOffset];
  return le16(boot + kBytesPerSectorOffset) == kBootSector &&
         (sectorsPerCluster == 1 || sectorsPerCluster == 2) && tableSectors >= 1 &&
         tableSectors <= kLargestFloppyTable &&
         le16(boot + kRootEntriesOffset) <= kMostFloppyRootEntries;
}

bool isIsoPrimaryDescriptor(const uint8_t* descriptor) {
  return descriptor[0] == kIsoPrimaryDescriptor &&
         bytesAre(descriptor + kIsoIdentifierOffset, "CD001", 5) &&
         descriptor[kIsoVersionOffset] == 1;
}

bool parseCpioHeader(const uint8_t* data, std::size_t available, CpioHeader& header) {
  if (available < kCpioHeaderSize) return false;
  if (!bytesAre(data, "070701", kCpioMagicSize) && !bytesAre(data, "070702", kCpioMagicSize))
    return false;
  uint32_t value;
  for (std::size_t field = 0; field < kCpioFields; ++field)
    if (!hexField(data + kCpioMagicSize + field * kCpioFieldSize, value)) return false;
  hexField(data + kCpioModeOffset, header.mode);
  hexField(data + kCpioLinksOffset, header.linkCount);
  hexField(data + kCpioTimeOffset, header.modificationTime);
  hexField(data + kCpioFileSizeOffset, header.fileSize);
  hexField(data + kCpioNameSizeOffset, header.nameSize);
  return true;
}

// A trailer whose name lies beyond the bytes available cannot be told from an entry.
bool isCpioTrailer(const uint8_t* data, std::size_t available, const CpioHeader& header) {
  return header.nameSize == kCpioTrailerSize && available >= kCpioHeaderSize + kCpioTrailerSize &&
         std::memcmp(data + kCpioHeaderSize, kCpioTrailer, kCpioTrailerSize) == 0;
}

// The order of the formats that have no signature at byte 0: tar's checksum is the strongest
// test and ARJ's a CRC over a whole header, then the boot sector of an image, the ISO
// descriptor far into the file, and the short RPM and cpio marks.
TypeCode deepTests(const uint8_t* buffer, std::size_t m, uint64_t fileSize) {
  if (m >= kTarBlock && passesTarHeaderTest(buffer, m, fileSize)) return kTar;
  if (findArjHeader(buffer, m)) return kArj;
  if (looksLikeFloppyImage(buffer, m)) return kFloppyImage;
  if (looksLikeIso(buffer, m)) return kIso;
  if (looksLikeRpm(buffer, m)) return kRpm;
  if (looksLikeCpio(buffer, m)) return kCpio;
  return kNoArchive;
}

// The checksum is the 8-bit sum of the header bytes after the checksum byte itself; bytes of
// 0x80 and above are summed like any other.
bool lhaHeaderAt(const uint8_t* at, std::size_t available) {
  if (available <= kLhaMethodEnd) return false;
  if (at[kLhaMethodOffset] != '-' || at[kLhaMethodOffset + 1] != 'l' || at[kLhaMethodEnd] != '-')
    return false;
  const int length = static_cast<int8_t>(at[kLhaLengthOffset]);
  if (length < kLhaShortestHeader) return false;
  if (kLhaMethodOffset + static_cast<std::size_t>(length) > available) return false;
  uint8_t sum = 0;
  for (int i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + at[kLhaMethodOffset + i]);
  return sum == at[kLhaChecksumOffset];
}

// A self-extracting program is followed by its archive: the first signature found wins. The
// LHA test, the weakest, is tried only near the start, where LHA's own stubs end.
TypeCode scanForEmbeddedArchive(const uint8_t* buffer, std::size_t m, std::size_t length) {
  for (std::size_t i = 0; i < m; ++i) {
    const uint8_t* at = buffer + i;
    switch (at[0]) {
      case 'P':
        if (bytesAre(at, kZipLocalHeader, kZipLocalHeaderSize)) return kZip;
        break;
      case 'R':
        if (bytesAre(at, kRarMark, kRarMarkSize) || bytesAre(at, kRar5Mark, kRar5MarkSize))
          return kRar;
        break;
      case '*':
        if (bytesAre(at, kAceMark, kAceMarkSize)) return kAce;
        break;
      default:
        break;
    }
    if (i < kLhaScanEnd && lhaHeaderAt(at, length - i)) return kLha;
  }
  return kNoArchive;
}

}  // namespace ostrya::archive
