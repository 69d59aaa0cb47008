// portable: no platform headers.
#include "archive/formats/tar_walk.h"

#include <algorithm>
#include <cstring>

#include "archive/byte_fields.h"
#include "archive/signatures.h"

namespace ostrya::archive {
namespace {

// A header block: text fields, numbers in octal.
//   0 name (100)   100 mode (8)   124 size (12)   136 modification time (12)
//   148 checksum (8)   156 type   257 magic (6)   345 ustar name prefix (155)
constexpr std::size_t kBlock = 512;
constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kNameSize = 100;
constexpr std::size_t kModeOffset = kNameOffset + kNameSize;
// The mode's fourth character: its bit 1 clear marks the member read-only.
constexpr std::size_t kReadOnlyDigit = kModeOffset + 3;
constexpr std::size_t kSizeOffset = 124;
constexpr std::size_t kNumberSize = 12;
constexpr std::size_t kTimeOffset = kSizeOffset + kNumberSize;
constexpr std::size_t kTypeOffset = 156;
constexpr std::size_t kMagicOffset = 257;
constexpr std::size_t kPrefixOffset = 345;
constexpr std::size_t kPrefixSize = 155;

// POSIX ustar ends its magic with a NUL; GNU tar writes "ustar  " and keeps other fields where
// the prefix would be.
constexpr char kPosixMagic[] = "ustar";
constexpr std::size_t kPosixMagicSize = sizeof kPosixMagic;

// Records that belong to the member after them: a GNU long name or long link target, and pax
// extended headers for the next member or for all of them.
constexpr char kLongNameType = 'L';
constexpr char kLongLinkType = 'K';
constexpr char kPaxHeaderType = 'x';
constexpr char kPaxGlobalType = 'g';

// An extended header is read this far for its records; a path record lies near its start.
constexpr std::size_t kPaxRead = 8192;

uint64_t roundToBlocks(uint64_t size) {
  return (size + kBlock - 1) / kBlock * kBlock;
}

// Appends the text of a field (up to its NUL or its end) to `name`, which holds `length`
// characters; what does not fit is cut.
void appendField(char* name, std::size_t& length, const uint8_t* field, std::size_t fieldSize) {
  const void* nul = std::memchr(field, 0, fieldSize);
  const std::size_t text = nul ? static_cast<const uint8_t*>(nul) - field : fieldSize;
  const std::size_t copied = std::min(text, kTarLongestName - length);
  std::memcpy(name + length, field, copied);
  length += copied;
  name[length] = '\0';
}

}  // namespace

TarStep TarWalk::next(TarMember& member) {
  for (;;) {
    uint8_t block[kBlock];
    uint32_t got = 0;
    if (services_.ReadSome(file_, block, kBlock, &got) != 0) return TarStep::ReadFailed;
    if (got < kBlock) return TarStep::End;
    position_ += kBlock;
    if (block[0] == 0) return TarStep::ZeroBlock;
    if (!passesTarHeaderTest(block, kBlock, archiveSize_)) return TarStep::NotTar;
    const uint64_t size = leadingOctal(block + kSizeOffset, kNumberSize);
    if (size > archiveSize_) return TarStep::NotTar;
    const char type = static_cast<char>(block[kTypeOffset]);
    const uint64_t dataStart = position_;

    if (type == kLongNameType) {
      std::size_t length = 0;
      if (auto ended =
              readData(size, reinterpret_cast<uint8_t*>(longName_), kTarLongestName, length))
        return *ended;
      longName_[length] = '\0';
    } else if (type == kPaxHeaderType) {
      uint8_t records[kPaxRead];
      std::size_t length = 0;
      if (auto ended = readData(size, records, sizeof records, length)) return *ended;
      takePaxPath(records, length);
    } else if (type != kLongLinkType && type != kPaxGlobalType) {
      nameMember(block, member);
      member.size = size;
      member.modificationTime =
          static_cast<int64_t>(leadingOctal(block + kTimeOffset, kNumberSize));
      member.type = type;
      member.readOnly = (block[kReadOnlyDigit] & 0x02) == 0;
      member.dataStart = dataStart;
      return TarStep::Member;
    }
    if (!moveTo(dataStart + roundToBlocks(size))) return TarStep::ReadFailed;
  }
}

bool TarWalk::skipData(const TarMember& member) {
  return moveTo(member.dataStart + roundToBlocks(member.size));
}

// Reads what fits of a record's data; a file that ends inside it ends the walk.
std::optional<TarStep> TarWalk::readData(uint64_t size, uint8_t* buffer, std::size_t capacity,
                                         std::size_t& length) {
  const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(size, capacity));
  uint32_t got = 0;
  if (services_.ReadSome(file_, buffer, wanted, &got) != 0) return TarStep::ReadFailed;
  position_ += got;
  if (got < wanted) return TarStep::End;
  length = got;
  return std::nullopt;
}

// Records are "LENGTH KEY=VALUE\n", LENGTH counting the whole record. Only the path matters
// here; reading stops at the first record that is malformed or not wholly read.
void TarWalk::takePaxPath(const uint8_t* records, std::size_t length) {
  std::size_t at = 0;
  while (at < length) {
    std::size_t i = at;
    std::size_t recordLength = 0;
    while (i < length && records[i] >= '0' && records[i] <= '9' && recordLength <= length) {
      recordLength = recordLength * 10 + (records[i] - '0');
      ++i;
    }
    if (i == at || i >= length || records[i] != ' ' || recordLength > length - at ||
        recordLength < i - at + 2)
      return;
    const uint8_t* key = records + i + 1;
    const uint8_t* end = records + at + recordLength - 1;
    if (*end != '\n') return;
    const auto* equals = static_cast<const uint8_t*>(std::memchr(key, '=', end - key));
    if (equals && equals - key == 4 && std::memcmp(key, "path", 4) == 0) {
      const std::size_t copied =
          std::min<std::size_t>(static_cast<std::size_t>(end - equals - 1), kTarLongestName);
      std::memcpy(paxPath_, equals + 1, copied);
      paxPath_[copied] = '\0';
    }
    at += recordLength;
  }
}

// A name given by a record before the header wins over the header's own: a pax path over a
// GNU long name over the ustar prefix and name fields. Records apply to one member only.
void TarWalk::nameMember(const uint8_t* header, TarMember& member) {
  std::size_t length = 0;
  member.name[0] = '\0';
  if (paxPath_[0] != '\0') {
    appendField(member.name, length, reinterpret_cast<const uint8_t*>(paxPath_), kTarLongestName);
  } else if (longName_[0] != '\0') {
    appendField(member.name, length, reinterpret_cast<const uint8_t*>(longName_), kTarLongestName);
  } else {
    if (std::memcmp(header + kMagicOffset, kPosixMagic, kPosixMagicSize) == 0 &&
        header[kPrefixOffset] != 0) {
      appendField(member.name, length, header + kPrefixOffset, kPrefixSize);
      appendField(member.name, length, reinterpret_cast<const uint8_t*>("/"), 1);
    }
    appendField(member.name, length, header + kNameOffset, kNameSize);
  }
  paxPath_[0] = '\0';
  longName_[0] = '\0';
  if (member.name[0] == '/' || member.name[0] == '\\')
    std::memmove(member.name, member.name + 1, length);
  services_.ToBackslashes(member.name);
}

bool TarWalk::moveTo(uint64_t position) {
  if (services_.SeekFile(file_, static_cast<int64_t>(position), platform::SeekFrom::Start,
                         nullptr) != 0)
    return false;
  position_ = position;
  return true;
}

}  // namespace ostrya::archive
