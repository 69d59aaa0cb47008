// portable: no platform headers.
#include "archive/formats/tar_walk.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "archive/byte_fields.h"

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
constexpr std::size_t kChecksumOffset = 148;
constexpr std::size_t kChecksumSize = 8;
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

// Old GNU sparse members: 'S', with four stretches in the header, more in extension blocks
// after it, and the real size.
constexpr char kOldGnuSparseType = 'S';
constexpr std::size_t kOldGnuRunsOffset = 386;
constexpr std::size_t kOldGnuRunsInHeader = 4;
constexpr std::size_t kOldGnuExtendedOffset = 482;
constexpr std::size_t kOldGnuRealSizeOffset = 483;
constexpr std::size_t kRunsInExtensionBlock = 21;
constexpr std::size_t kExtensionExtendedOffset = 504;
constexpr std::size_t kRunFieldSize = 12;

// An extended header is read this far for its records; a sparse map in the records can make
// it long, and what lies beyond is ignored.
constexpr std::size_t kPaxRead = 1 << 20;
// More stretches than this make a sparse member damaged rather than take unbounded memory.
constexpr std::size_t kMostSparseRuns = 1 << 18;
// A map at the start of the data is a count and then offset and length pairs, each a decimal
// number ending in a newline.
constexpr std::size_t kLongestMapNumber = 20;

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

// The checksum field is digits or blanks up to a NUL or to the field's end (star fills all eight
// bytes, ending in a blank); a header that passes either has the right checksum or names itself
// "ustar". A size that does not fit the file, compared in full 64 bits, rules out text that
// merely looks like a header.
bool passesTarHeaderTest(const uint8_t* block, std::size_t m, uint64_t fileSize) {
  std::size_t end = kChecksumOffset;
  while (end < m && end < kChecksumOffset + kChecksumSize && block[end] != 0) {
    if (!isDigitOrBlank(block[end])) return false;
    ++end;
  }
  if (end >= m) return false;
  uint32_t sum = 0;
  for (std::size_t i = 0; i < kBlock; ++i)
    sum += (i >= kChecksumOffset && i < kChecksumOffset + kChecksumSize) ? ' ' : block[i];
  const int64_t stored = strictOctal(block + kChecksumOffset, kChecksumSize);
  if (stored != static_cast<int64_t>(sum) &&
      !equalsIgnoringCase(block + kMagicOffset, kPosixMagic, kPosixMagicSize - 1))
    return false;
  return leadingOctal(block + kSizeOffset, kNumberSize) < fileSize;
}

bool looksLikeTar(const uint8_t* buffer, std::size_t m, uint64_t fileSize) {
  return m >= kBlock && passesTarHeaderTest(buffer, m, fileSize);
}

TarStep TarWalk::next(TarMember& member) {
  for (;;) {
    uint8_t block[kBlock];
    uint32_t got = 0;
    if (services_.ReadSome(file_, block, kBlock, &got) != 0) return TarStep::ReadFailed;
    if (got < kBlock) return TarStep::End;
    position_ += kBlock;
    // Only a block of zeros ends the archive; a header whose name is empty is a member like
    // any other, which the reader then passes over.
    if (std::all_of(block, block + kBlock, [](uint8_t b) { return b == 0; }))
      return TarStep::ZeroBlock;
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
      if (auto ended = readPaxRecords(size)) return *ended;
    } else if (type != kLongLinkType && type != kPaxGlobalType) {
      nameMember(block, member);
      member.storedSize = pax_.size.value_or(size);
      member.size = member.storedSize;
      member.modificationTime =
          static_cast<int64_t>(leadingOctal(block + kTimeOffset, kNumberSize));
      member.type = type;
      member.readOnly = (block[kReadOnlyDigit] & 0x02) == 0;
      member.dataStart = dataStart;
      member.sparse = false;
      member.sparseMapDamaged = false;
      member.runs.clear();
      std::optional<TarStep> ended;
      if (type == kOldGnuSparseType) {
        ended = readOldGnuSparse(block, member);
      } else if (pax_.mapInData) {
        ended = readMapInData(member);
      } else if (pax_.hasMap) {
        member.sparse = true;
        member.sparseMapDamaged = pax_.mapDamaged;
        member.runs.swap(pax_.runs);
      }
      if (member.sparse) member.size = pax_.sparseSize.value_or(member.size);
      pax_ = PaxFacts{};
      if (ended) return *ended;
      return TarStep::Member;
    }
    if (!moveTo(dataStart + roundToBlocks(size))) return TarStep::ReadFailed;
  }
}

bool TarWalk::skipData(const TarMember& member) {
  return moveTo(member.dataStart + roundToBlocks(member.storedSize));
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

// Records are "LENGTH KEY=VALUE\n", LENGTH counting the whole record. Reading stops at the
// first record that is malformed or not wholly read.
std::optional<TarStep> TarWalk::readPaxRecords(uint64_t size) {
  std::vector<uint8_t> records;
  try {
    records.resize(static_cast<std::size_t>(std::min<uint64_t>(size, kPaxRead)));
  } catch (const std::bad_alloc&) {
    pax_.mapDamaged = true;
    return std::nullopt;
  }
  std::size_t length = 0;
  if (auto ended = readData(size, records.data(), records.size(), length)) return ended;
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
      break;
    const uint8_t* key = records.data() + i + 1;
    const uint8_t* end = records.data() + at + recordLength - 1;
    if (*end != '\n') break;
    if (const auto* equals = static_cast<const uint8_t*>(std::memchr(key, '=', end - key)))
      takePaxRecord(key, static_cast<std::size_t>(equals - key), equals + 1,
                    static_cast<std::size_t>(end - equals - 1));
    at += recordLength;
  }
  return std::nullopt;
}

namespace {

bool keyIs(const uint8_t* key, std::size_t length, const char* expected) {
  return length == std::strlen(expected) && std::memcmp(key, expected, length) == 0;
}

// A decimal number that fills the text; nothing for anything else.
std::optional<uint64_t> decimal(const uint8_t* text, std::size_t length) {
  if (length == 0 || length > kLongestMapNumber) return std::nullopt;
  uint64_t value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const uint64_t digit = text[i] - '0';
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// Adds a stretch to a sparse map; false when the map is full or memory is lacking, which makes
// the map damaged.
bool appendRun(std::vector<TarSparseRun>& runs, uint64_t offset, uint64_t length) {
  if (runs.size() == kMostSparseRuns) return false;
  try {
    runs.push_back({offset, length});
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::string textOf(const uint8_t* value, std::size_t length) {
  return std::string(reinterpret_cast<const char*>(value), std::min(length, kTarLongestName));
}

}  // namespace

// The path, the size, and GNU tar's sparse records of the forms 0.0 (offset and length
// records in turn), 0.1 (one map record) and 1.0 (the map in the data).
void TarWalk::takePaxRecord(const uint8_t* key, std::size_t keyLength, const uint8_t* value,
                            std::size_t valueLength) {
  try {
    if (keyIs(key, keyLength, "path")) {
      pax_.path = textOf(value, valueLength);
    } else if (keyIs(key, keyLength, "size")) {
      pax_.size = decimal(value, valueLength);
    } else if (keyIs(key, keyLength, "GNU.sparse.name")) {
      pax_.sparseName = textOf(value, valueLength);
    } else if (keyIs(key, keyLength, "GNU.sparse.size") ||
               keyIs(key, keyLength, "GNU.sparse.realsize")) {
      pax_.sparseSize = decimal(value, valueLength);
    } else if (keyIs(key, keyLength, "GNU.sparse.major")) {
      pax_.mapInData = decimal(value, valueLength) == 1u;
    } else if (keyIs(key, keyLength, "GNU.sparse.offset")) {
      pax_.hasMap = true;
      pax_.pendingOffset = decimal(value, valueLength);
      if (!pax_.pendingOffset) pax_.mapDamaged = true;
    } else if (keyIs(key, keyLength, "GNU.sparse.numbytes")) {
      addPaxRun(pax_.pendingOffset, decimal(value, valueLength));
      pax_.pendingOffset.reset();
    } else if (keyIs(key, keyLength, "GNU.sparse.map")) {
      pax_.hasMap = true;
      std::size_t at = 0;
      while (at < valueLength) {
        std::size_t comma = at;
        while (comma < valueLength && value[comma] != ',') ++comma;
        const auto offset = decimal(value + at, comma - at);
        at = comma + 1;
        comma = at;
        while (comma < valueLength && value[comma] != ',') ++comma;
        addPaxRun(offset, at < valueLength ? decimal(value + at, comma - at) : std::nullopt);
        at = comma + 1;
      }
    }
  } catch (const std::bad_alloc&) {
    pax_.mapDamaged = true;
  }
}

void TarWalk::addPaxRun(std::optional<uint64_t> offset, std::optional<uint64_t> length) {
  pax_.hasMap = true;
  if (!offset || !length || !appendRun(pax_.runs, *offset, *length)) pax_.mapDamaged = true;
}

// The header holds four stretches; each extension block after it 21 more. The data follows the
// last extension block.
std::optional<TarStep> TarWalk::readOldGnuSparse(const uint8_t* header, TarMember& member) {
  member.sparse = true;
  member.size = leadingOctal(header + kOldGnuRealSizeOffset, kNumberSize);
  const auto takeRuns = [&](const uint8_t* fields, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const uint8_t* run = fields + i * 2 * kRunFieldSize;
      if (run[0] == 0) return;
      if (!appendRun(member.runs, leadingOctal(run, kRunFieldSize),
                     leadingOctal(run + kRunFieldSize, kRunFieldSize))) {
        member.sparseMapDamaged = true;
        return;
      }
    }
  };
  takeRuns(header + kOldGnuRunsOffset, kOldGnuRunsInHeader);
  bool extended = header[kOldGnuExtendedOffset] != 0;
  while (extended) {
    uint8_t block[kBlock];
    std::size_t length = 0;
    if (auto ended = readData(kBlock, block, kBlock, length)) return ended;
    takeRuns(block, kRunsInExtensionBlock);
    extended = block[kExtensionExtendedOffset] != 0;
  }
  member.dataStart = position_;
  return std::nullopt;
}

// Format 1.0: the count of stretches, then their offsets and lengths, one decimal number per
// line, padded to whole blocks; the file's data follows.
std::optional<TarStep> TarWalk::readMapInData(TarMember& member) {
  member.sparse = true;
  uint8_t block[kBlock];
  std::size_t used = kBlock;
  uint64_t mapBytes = 0;
  const auto nextNumber = [&]() -> std::optional<uint64_t> {
    uint8_t digits[kLongestMapNumber];
    std::size_t count = 0;
    for (;;) {
      if (used == kBlock) {
        std::size_t length = 0;
        if (mapBytes + kBlock > member.storedSize || readData(kBlock, block, kBlock, length))
          return std::nullopt;
        mapBytes += kBlock;
        used = 0;
      }
      const uint8_t c = block[used++];
      if (c == '\n') return decimal(digits, count);
      if (count == kLongestMapNumber) return std::nullopt;
      digits[count++] = c;
    }
  };
  const std::optional<uint64_t> count = nextNumber();
  member.sparseMapDamaged = !count || *count > kMostSparseRuns;
  for (uint64_t i = 0; !member.sparseMapDamaged && i < *count; ++i) {
    const auto offset = nextNumber();
    const auto length = offset ? nextNumber() : std::nullopt;
    if (!length || !appendRun(member.runs, *offset, *length)) {
      member.sparseMapDamaged = true;
      break;
    }
  }
  // The data begins after the map's blocks; a damaged map is skipped with all of it.
  if (member.sparseMapDamaged) return std::nullopt;
  member.dataStart += mapBytes;
  member.storedSize -= mapBytes;
  return std::nullopt;
}

// A name given by a record before the header wins over the header's own: GNU tar's name of a
// sparse file over a pax path over a GNU long name over the ustar prefix and name fields.
// Records apply to one member only.
void TarWalk::nameMember(const uint8_t* header, TarMember& member) {
  std::size_t length = 0;
  member.name[0] = '\0';
  const std::string& recorded = !pax_.sparseName.empty() ? pax_.sparseName : pax_.path;
  if (!recorded.empty()) {
    appendField(member.name, length, reinterpret_cast<const uint8_t*>(recorded.c_str()),
                recorded.size());
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
