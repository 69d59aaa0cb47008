// portable: no platform headers.
#include "archive/formats/cpio.h"

#include <algorithm>
#include <cstring>

#include "archive/host_file.h"
#include "archive/unix_time.h"

namespace ostrya::archive {
namespace {

// The mode's file type bits as the readers test them.
constexpr uint32_t kFolderMode = 0x4000;
constexpr uint32_t kRegularFileMode = 0x8000;

constexpr std::size_t kMagicSize = 6;
constexpr std::size_t kFieldSize = 8;
constexpr std::size_t kFields = 13;
constexpr std::size_t kModeOffset = 14;
constexpr std::size_t kLinksOffset = 38;
constexpr std::size_t kTimeOffset = 46;
constexpr std::size_t kFileSizeOffset = 54;
constexpr std::size_t kNameSizeOffset = 94;
constexpr char kTrailer[] = "TRAILER!!!";  // with its NUL, the name of the last entry
constexpr std::size_t kTrailerSize = sizeof kTrailer;

bool hexField(const uint8_t* field, uint32_t& value) {
  value = 0;
  for (std::size_t i = 0; i < kFieldSize; ++i) {
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

bool parseCpioHeader(const uint8_t* data, std::size_t available, CpioHeader& header) {
  if (available < kCpioHeaderSize) return false;
  if (!bytesAre(data, "070701", kMagicSize) && !bytesAre(data, "070702", kMagicSize)) return false;
  uint32_t value;
  for (std::size_t field = 0; field < kFields; ++field)
    if (!hexField(data + kMagicSize + field * kFieldSize, value)) return false;
  hexField(data + kModeOffset, header.mode);
  hexField(data + kLinksOffset, header.linkCount);
  hexField(data + kTimeOffset, header.modificationTime);
  hexField(data + kFileSizeOffset, header.fileSize);
  hexField(data + kNameSizeOffset, header.nameSize);
  return true;
}

// A trailer whose name lies beyond the bytes available cannot be told from an entry.
bool isCpioTrailer(const uint8_t* data, std::size_t available, const CpioHeader& header) {
  return header.nameSize == kTrailerSize && available >= kCpioHeaderSize + kTrailerSize &&
         std::memcmp(data + kCpioHeaderSize, kTrailer, kTrailerSize) == 0;
}

// Header and name, and the data after them, each padded to a multiple of 4 bytes.
uint64_t roundToFour(uint64_t offset) {
  return (offset + 3) & ~uint64_t{3};
}

// One read takes a header with the longest name kept and the name's NUL.
constexpr std::size_t kWindow = kCpioHeaderSize + kCpioLongestName + 1;
// Fewer bytes than a header and one name character cannot hold another member.
constexpr uint64_t kLeastMember = kCpioHeaderSize + 1;

// Visits every member from the start of the file to the trailer. `visit` (file, position of
// the member's header, member, entry) returns how its steps ended.
template <typename Visit>
int walkCpio(const char* path, const HostServices& services, Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file.get(), &size) != 0) size = 0;
  if (size < kCpioHeaderSize) return kNotThisFormat;

  uint8_t window[kWindow];
  CpioEntry entry;
  for (uint64_t position = 0; position < size;) {
    const uint64_t left = size - position;
    if (left < kLeastMember) break;
    if (services.SeekFile(file.get(), static_cast<int64_t>(position), platform::SeekFrom::Start,
                          nullptr) != 0)
      return kReadFailed;
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(left, kWindow));
    if (services.ReadExact(file.get(), window, count) != 0) return kReadFailed;
    CpioMember member;
    switch (readCpioHeader(window, count, member)) {
      case CpioHeaderKind::Member:
        break;
      case CpioHeaderKind::Trailer:
        return kDone;
      case CpioHeaderKind::NotCpio:
        return kNotThisFormat;
    }
    describeCpioMember(member, services, entry);
    // "." and ".." name the archive's own folder and its parent, no member of their own.
    if (!namesNoEntry(entry.name)) {
      const EntryStep step = visit(file.get(), position, member, entry);
      if (step.ends) return step.code;
    }
    position += member.nextOffset;
  }
  return kDone;
}

}  // namespace

bool looksLikeCpio(const uint8_t* buffer, std::size_t m, uint64_t) {
  CpioMember member;
  return readCpioHeader(buffer, m, member) == CpioHeaderKind::Member;
}

CpioHeaderKind readCpioHeader(const uint8_t* data, std::size_t available, CpioMember& member) {
  if (!parseCpioHeader(data, available, member.header)) return CpioHeaderKind::NotCpio;
  if (isCpioTrailer(data, available, member.header)) return CpioHeaderKind::Trailer;
  const std::size_t nameRoom = available - kCpioHeaderSize;
  const std::size_t present = std::min<std::size_t>(member.header.nameSize, nameRoom);
  member.storedName = reinterpret_cast<const char*>(data + kCpioHeaderSize);
  const void* nul = std::memchr(member.storedName, 0, present);
  member.storedNameLength = nul ? static_cast<const char*>(nul) - member.storedName : present;
  member.nameComplete = member.header.nameSize <= nameRoom;
  member.dataOffset = roundToFour(kCpioHeaderSize + uint64_t{member.header.nameSize});
  member.nextOffset = roundToFour(member.dataOffset + member.header.fileSize);
  return CpioHeaderKind::Member;
}

CpioEntry& describeCpioMember(const CpioMember& member, const HostServices& services,
                              CpioEntry& entry) {
  std::size_t length = std::min(member.storedNameLength, kCpioLongestName);
  std::memcpy(entry.name, member.storedName, length);
  entry.name[length] = '\0';
  services.ToBackslashes(entry.name);
  // Archives made with "find ." name their members ".\x"; some name them from the root.
  std::size_t skip = 0;
  if (entry.name[0] == '.' && entry.name[1] == '\\')
    skip = 2;
  else if (entry.name[0] == '\\')
    skip = 1;
  std::memmove(entry.name, entry.name + skip, length - skip + 1);
  length -= skip;

  const uint32_t mode = member.header.mode;
  bool folder = (mode & kFolderMode) != 0;
  entry.attributes = kEntryArchive | (folder ? kEntryFolder : 0);
  if (length > 0 && entry.name[length - 1] == '\\') {
    entry.attributes |= kEntryFolder;
    folder = true;
  } else if (folder) {
    entry.name[length++] = '\\';
    entry.name[length] = '\0';
  }
  unixTimeToDos(member.header.modificationTime, entry.dosDate, entry.dosTime);
  entry.size = member.header.fileSize;
  entry.regularFile = (mode & kRegularFileMode) != 0;
  return entry;
}

EntryFacts CpioEntry::facts() const {
  EntryFacts facts;
  facts.name = name;
  facts.dosDate = dosDate;
  facts.dosTime = dosTime;
  facts.attributes = attributes;
  facts.size = size;
  return facts;
}

void CpioEntry::listingName(char* out, std::size_t capacity, const HostServices& services) const {
  out[0] = '\0';
  services.AppendBounded(out, name, capacity);
  const std::size_t length = std::strlen(out);
  if (length > 0 && (attributes & kEntryFolder) != 0 && out[length - 1] == '\\')
    out[length - 1] = '\0';
}

int listCpio(const char* path, ListingContext* context, EntryCallback callback,
             const HostServices& services, void*) {
  return walkCpio(path, services,
                  [&](HostFile, uint64_t, const CpioMember&, const CpioEntry& entry) {
                    char name[platform::kMaxPath];
                    entry.listingName(name, sizeof name, services);
                    callback(name, entry.dosDate, entry.dosTime, entry.attributes, ' ', entry.size,
                             entry.size, 0, context);
                    return EntryStep{};
                  });
}

// Folders and regular files are extracted; links, devices and the like are passed over.
int extractCpio(ExtractionRequest& request, const HostServices& services) {
  return walkCpio(
      request.archivePath, services,
      [&](HostFile file, uint64_t position, const CpioMember& member, const CpioEntry& entry) {
        if (abortRequested(request)) return EntryStep{kDone, true};
        if ((entry.attributes & kEntryFolder) != 0)
          return extractEntry(request, services, entry.facts(), nullptr);
        if (!entry.regularFile) return EntryStep{};
        if (services.SeekFile(file, static_cast<int64_t>(position + member.dataOffset),
                              platform::SeekFrom::Start, nullptr) != 0)
          return EntryStep{kReadFailed, true};
        StoredData data(services, file, member.header.fileSize);
        return extractEntry(request, services, entry.facts(), &data);
      });
}

}  // namespace ostrya::archive
