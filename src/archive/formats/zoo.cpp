// portable: no platform headers.
#include "archive/formats/zoo.h"

#include <algorithm>
#include <cstring>

#include "archive/byte_fields.h"
#include "archive/entry_extraction.h"
#include "archive/host_file.h"
#include "archive/host_streams.h"
#include "engines/zoo/zoo_lzh.h"
#include "engines/zoo/zoo_lzw.h"

namespace ostrya::archive {
namespace {

using engines::Decoded;

// "ZOO 2.10 Archive." 0x1A 0x00, with any version in bytes 4 to 7.
constexpr char kText[] = "ZOO 2.10 Archive.\x1A";  // with its NUL
constexpr std::size_t kTextSize = sizeof kText;
constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kVersionEnd = kVersionOffset + 4;

// The archive header: the text in 20 bytes, the tag, the position of the first folder entry
// and its negated copy.
constexpr std::size_t kStartOffset = 24;
constexpr std::size_t kMinusOffset = kStartOffset + 4;
constexpr std::size_t kArchiveHeaderSize = kMinusOffset + 4;

// Every folder entry begins with this tag; the chain's last entry has a next pointer of 0.
constexpr uint32_t kEntryTag = 0xFDC4A7DC;

// A folder entry, little-endian:
//   0 tag, 4 type (2: with a variable part), 5 method, 6 next entry, 10 data, 14 DOS date,
//   16 DOS time, 18 CRC-16, 20 size, 24 packed size, 28 major and 29 minor version needed,
//   30 deleted, 38 short name (13 bytes); type 2 goes on with 51 length of the variable part,
//   56 long name length, 57 folder name length, then the long name and the folder name.
constexpr std::size_t kTypeOffset = 4;
constexpr std::size_t kMethodOffset = 5;
constexpr std::size_t kNextOffset = 6;
constexpr std::size_t kDataOffset = 10;
constexpr std::size_t kDateOffset = 14;
constexpr std::size_t kTimeOffset = 16;
constexpr std::size_t kCrcOffset = 18;
constexpr std::size_t kSizeOffset = 20;
constexpr std::size_t kPackedOffset = 24;
constexpr std::size_t kMinorVersionOffset = 29;
constexpr std::size_t kDeletedOffset = 30;
constexpr std::size_t kShortNameOffset = 38;
constexpr std::size_t kShortNameSize = 13;
constexpr std::size_t kFixedSize = kShortNameOffset + kShortNameSize;
constexpr std::size_t kVariableSizeOffset = kFixedSize;
constexpr std::size_t kLongNameSizeOffset = 56;
constexpr std::size_t kFolderSizeOffset = kLongNameSizeOffset + 1;
constexpr std::size_t kNamesOffset = kFolderSizeOffset + 1;
constexpr uint8_t kVariableType = 2;
// The most of an entry the reader looks at: the fixed part and two names of up to 255 bytes.
constexpr std::size_t kEntryWindow = kNamesOffset + 2 * 255;

constexpr uint8_t kStored = 0;
constexpr uint8_t kLzw = 1;
constexpr uint8_t kLzh = 2;
// ZOO 2.1 made LZH entries; a later minor version would be a later variant of the method.
constexpr uint8_t kLzhMinorVersion = 1;

// One folder entry as the readers report it.
struct ZooEntry {
  // '\' separators: the folder name, then the long name or else the short one.
  char name[platform::kMaxPath * 2];
  uint8_t method = 0;
  uint8_t minorVersion = 0;
  uint32_t data = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint16_t crc = 0;
  uint32_t size = 0;
  uint32_t packedSize = 0;

  EntryFacts facts() const {
    EntryFacts facts;
    facts.name = name;
    facts.dosDate = dosDate;
    facts.dosTime = dosTime;
    facts.size = size;
    return facts;
  }
};

// The text of a name field up to its NUL or its end.
void appendField(char* name, std::size_t capacity, const uint8_t* field, std::size_t size,
                 const HostServices& services) {
  char text[256];
  const std::size_t length = std::min(size, sizeof text - 1);
  std::memcpy(text, field, length);
  text[length] = '\0';
  services.AppendBounded(name, text, capacity);
}

// `window` holds `available` bytes of the entry, at least its fixed part.
void describeZooEntry(const uint8_t* window, std::size_t available, const HostServices& services,
                      ZooEntry& entry) {
  entry.method = window[kMethodOffset];
  entry.minorVersion = window[kMinorVersionOffset];
  entry.data = le32(window + kDataOffset);
  entry.dosDate = le16(window + kDateOffset);
  entry.dosTime = le16(window + kTimeOffset);
  entry.crc = le16(window + kCrcOffset);
  entry.size = le32(window + kSizeOffset);
  entry.packedSize = le32(window + kPackedOffset);

  std::size_t longName = 0;
  std::size_t folder = 0;
  if (window[kTypeOffset] == kVariableType && available >= kNamesOffset) {
    // Names that would run past the variable part or the file are not taken.
    const std::size_t variable = le16(window + kVariableSizeOffset);
    longName = window[kLongNameSizeOffset];
    folder = window[kFolderSizeOffset];
    if (2 + longName + folder > variable || kNamesOffset + longName + folder > available)
      longName = folder = 0;
  }
  entry.name[0] = '\0';
  const std::size_t capacity = sizeof entry.name;
  if (folder > 0) {
    appendField(entry.name, capacity, window + kNamesOffset + longName, folder, services);
    const std::size_t length = std::strlen(entry.name);
    if (length > 0 && entry.name[length - 1] != '/' && entry.name[length - 1] != '\\')
      services.AppendBounded(entry.name, "/", capacity);
  }
  if (longName > 0)
    appendField(entry.name, capacity, window + kNamesOffset, longName, services);
  else
    appendField(entry.name, capacity, window + kShortNameOffset, kShortNameSize, services);
  services.ToBackslashes(entry.name);
}

// Visits every entry of the chain that is not deleted. `visit` (file, entry) returns how its
// steps ended.
template <typename Visit>
int walkZoo(const char* path, const HostServices& services, Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file.get(), &size) != 0) return kReadFailed;
  uint8_t header[kArchiveHeaderSize];
  if (size < sizeof header) return kNotThisFormat;
  if (services.ReadExact(file.get(), header, sizeof header) != 0) return kReadFailed;
  // ZOO keeps the start twice, the second time negated, as a check of the header.
  const uint32_t start = le32(header + kStartOffset);
  if (static_cast<uint32_t>(start + le32(header + kMinusOffset)) != 0) return kNotThisFormat;

  uint8_t window[kEntryWindow];
  ZooEntry entry;
  for (uint64_t position = start;;) {
    if (position > size || size - position < kFixedSize) return kNotThisFormat;
    const uint32_t count =
        static_cast<uint32_t>(std::min<uint64_t>(size - position, sizeof window));
    if (services.SeekFile(file.get(), static_cast<int64_t>(position), platform::SeekFrom::Start,
                          nullptr) != 0 ||
        services.ReadExact(file.get(), window, count) != 0)
      return kReadFailed;
    if (le32(window) != kEntryTag) return kNotThisFormat;
    const uint32_t next = le32(window + kNextOffset);
    if (next == 0) return kDone;
    if (window[kDeletedOffset] == 0) {
      describeZooEntry(window, count, services, entry);
      const EntryStep step = visit(file.get(), entry);
      if (step.ends) return step.code;
    }
    // ZOO appends entries and links each to the one after it: a pointer that leads back would
    // go round the chain for ever.
    if (next <= position) return kNotThisFormat;
    position = next;
  }
}

class ZooEntryData final : public EntryData {
 public:
  ZooEntryData(const HostServices& services, HostFile archive, const ZooEntry& entry)
      : services_(services), archive_(archive), entry_(entry) {}

  int writeTo(EntryOutput& output) override {
    if (services_.SeekFile(archive_, entry_.data, platform::SeekFrom::Start, nullptr) != 0)
      return kReadFailed;
    HostEntryInput input(services_, archive_, entry_.packedSize);
    Crc16CheckedOutput checked(output, entry_.size);
    Decoded result = Decoded::Complete;
    switch (entry_.method) {
      case kStored:
        result = engines::copyStored(input, checked);
        break;
      case kLzw:
        result = engines::zoo::unlzw(input, checked);
        break;
      case kLzh:
        result = engines::zoo::unlzh(input, checked, entry_.size);
        break;
    }
    switch (result) {
      case Decoded::Complete:
        return checked.filled() && checked.crc() == entry_.crc ? kDone : kDamagedData;
      case Decoded::OutputStopped:
        return checked.overran() ? kDamagedData : kWriteFailed;
      case Decoded::InputFailed:
        return kReadFailed;
      case Decoded::NoMemory:
        return kSetUpFailed;
      case Decoded::Damaged:
      case Decoded::BeyondMemoryGrant:
        break;
    }
    return kDecoderFailed;
  }

 private:
  const HostServices& services_;
  HostFile archive_;
  const ZooEntry& entry_;
};

}  // namespace

bool isZooHead(const uint8_t* head, const char*) {
  return bytesAre(head, kText, kVersionOffset) &&
         bytesAre(head + kVersionEnd, kText + kVersionEnd, kTextSize - kVersionEnd);
}

// The entry's CRC-16 goes with it.
int listZoo(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return walkZoo(path, services, [&](HostFile, const ZooEntry& entry) {
    char name[platform::kMaxPath] = "";
    services.AppendBounded(name, entry.name, sizeof name);
    callback(name, entry.dosDate, entry.dosTime, 0, ' ', entry.size, entry.packedSize, entry.crc,
             context);
    return EntryStep{};
  });
}

int extractZoo(ExtractionRequest& request, const HostServices& services) {
  return walkZoo(request.archivePath, services, [&](HostFile file, const ZooEntry& entry) {
    if (abortRequested(request)) return EntryStep{kDone, true};
    if (entry.method > kLzh || (entry.method == kLzh && entry.minorVersion > kLzhMinorVersion))
      return EntryStep{kUnsupportedMethod, true};
    ZooEntryData data(services, file, entry);
    return extractEntry(request, services, entry.facts(), &data);
  });
}

}  // namespace ostrya::archive
