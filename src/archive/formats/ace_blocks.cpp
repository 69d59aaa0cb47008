// portable: no platform headers.
#include "archive/formats/ace_blocks.h"

#include <algorithm>
#include <cstring>

#include "archive/byte_fields.h"
#include "archive/crc32.h"
#include "archive/detection.h"

namespace ostrya::archive {
namespace {

// Offsets in a block: the header follows its CRC and size.
constexpr std::size_t kBlockPrefix = 4;
// Offsets in a header: every header, then the archive header's and a file header's own fields.
constexpr std::size_t kTypeAt = 0;
constexpr std::size_t kFlagsAt = kTypeAt + 1;
constexpr std::size_t kDataSizeAt = kFlagsAt + 2;
constexpr std::size_t kLeastHeader = kDataSizeAt;
constexpr std::size_t kMarkAt = kDataSizeAt;
constexpr std::size_t kVolumeAt = kMarkAt + kAceMarkSize + 3;
constexpr std::size_t kLeastArchiveHeader = kVolumeAt + 1;
constexpr std::size_t kPackedSizeAt = kDataSizeAt;
constexpr std::size_t kSizeAt = kPackedSizeAt + 4;
constexpr std::size_t kTimeAt = kSizeAt + 4;
constexpr std::size_t kAttributesAt = kTimeAt + 4;
constexpr std::size_t kCrcAt = kAttributesAt + 4;
constexpr std::size_t kCompressionAt = kCrcAt + 4;
constexpr std::size_t kQualityAt = kCompressionAt + 1;
constexpr std::size_t kParameterAt = kQualityAt + 1;
constexpr std::size_t kNameLengthAt = kParameterAt + 4;
constexpr std::size_t kNameAt = kNameLengthAt + 2;

static_assert(kAceMarkOffset == kBlockPrefix + kMarkAt);

// The header CRC is the low half of the CRC-32 register, never complemented.
constexpr uint32_t kCrcStart = 0xFFFFFFFFu;

// The archive header is looked for in windows of this size, each keeping the second half of the
// one before, so that a header that begins in one window is read with its mark in the next.
constexpr std::size_t kWindow = 1024;
constexpr std::size_t kKeptOfWindow = 512;
constexpr uint64_t kSearchedBytes = 131072;

}  // namespace

uint16_t AceBlock::flags() const {
  return le16(header + kFlagsAt);
}

uint32_t AceBlock::dataSize() const {
  return (flags() & kAceHasData) != 0 ? le32(header + kDataSizeAt) : 0;
}

AceRead readAceBlock(const HostServices& services, HostFile file, uint64_t position,
                     AceBlock& block) {
  block.position = position;
  block.intact = false;
  block.kept = 0;
  if (services.SeekFile(file, static_cast<int64_t>(position), platform::SeekFrom::Start, nullptr) !=
      0)
    return AceRead::Failed;
  uint8_t prefix[kBlockPrefix];
  uint32_t got = 0;
  if (services.ReadSome(file, prefix, sizeof prefix, &got) != 0) return AceRead::Failed;
  if (got == 0) return AceRead::End;
  if (got < sizeof prefix) return AceRead::Truncated;
  block.size = le16(prefix + 2);

  block.kept = std::min<std::size_t>(block.size, kAceKeptHeader);
  if (services.ReadSome(file, block.header, static_cast<uint32_t>(block.kept), &got) != 0)
    return AceRead::Failed;
  if (got < block.kept) return AceRead::Truncated;
  uint32_t crc = crc32Update(kCrcStart, block.header, block.kept);
  uint8_t rest[1024];
  for (std::size_t left = block.size - block.kept; left > 0;) {
    const uint32_t piece = static_cast<uint32_t>(std::min(left, sizeof rest));
    if (services.ReadSome(file, rest, piece, &got) != 0) return AceRead::Failed;
    if (got < piece) return AceRead::Truncated;
    crc = crc32Update(crc, rest, piece);
    left -= piece;
  }
  const std::size_t least = block.kept >= kLeastHeader && (block.flags() & kAceHasData) != 0
                                ? kLeastHeader + 4
                                : kLeastHeader;
  block.intact = (crc & 0xFFFF) == le16(prefix) && block.kept >= least;
  return AceRead::Block;
}

bool parseAceFileHeader(const AceBlock& block, AceFileHeader& file) {
  if (block.kept < kNameAt) return false;
  const uint8_t* header = block.header;
  const uint16_t nameLength = le16(header + kNameLengthAt);
  if (block.size < kNameAt + nameLength) return false;
  file.flags = block.flags();
  file.packedSize = le32(header + kPackedSizeAt);
  file.size = le32(header + kSizeAt);
  // A DOS date and time in one word, the date in its upper half.
  file.dosTime = le16(header + kTimeAt);
  file.dosDate = le16(header + kTimeAt + 2);
  file.attributes = le32(header + kAttributesAt);
  file.crc = le32(header + kCrcAt);
  file.compression = header[kCompressionAt];
  file.quality = header[kQualityAt];
  file.parameter = le16(header + kParameterAt);
  file.name = reinterpret_cast<const char*>(header + kNameAt);
  const std::size_t kept = std::min<std::size_t>(nameLength, block.kept - kNameAt);
  const void* nul = std::memchr(file.name, '\0', kept);
  file.nameLength =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - file.name) : kept;
  return true;
}

// Every find of the mark is tried once, however many windows hold it.
int findAceArchiveHeader(const HostServices& services, HostFile file, uint64_t fileSize,
                         AceArchiveHeader& found) {
  const uint64_t searched = std::min(fileSize, kSearchedBytes);
  uint8_t window[kWindow];
  uint64_t base = 0;
  std::size_t held = 0;
  uint64_t nextTried = kAceMarkOffset;
  AceBlock block;
  for (;;) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<uint64_t>(kWindow - held, searched - (base + held)));
    if (services.SeekFile(file, static_cast<int64_t>(base + held), platform::SeekFrom::Start,
                          nullptr) != 0 ||
        services.ReadExact(file, window + held, static_cast<uint32_t>(wanted)) != 0)
      return kReadFailed;
    held += wanted;
    for (; nextTried + kAceMarkSize <= base + held; ++nextTried) {
      if (!bytesAre(window + (nextTried - base), kAceMark, kAceMarkSize)) continue;
      const uint64_t start = nextTried - kAceMarkOffset;
      const AceRead read = readAceBlock(services, file, start, block);
      if (read == AceRead::Failed) return kReadFailed;
      if (read == AceRead::Block && block.intact &&
          block.type() == static_cast<uint8_t>(AceBlockType::Archive) &&
          block.kept >= kLeastArchiveHeader) {
        found.firstBlock = block.dataStart() + block.dataSize();
        found.volume = block.header[kVolumeAt];
        found.solid = (block.flags() & kAceSolidArchive) != 0;
        return kDone;
      }
    }
    if (base + held >= searched) return kNotThisFormat;
    std::memmove(window, window + held - kKeptOfWindow, kKeptOfWindow);
    base += held - kKeptOfWindow;
    held = kKeptOfWindow;
  }
}

}  // namespace ostrya::archive
