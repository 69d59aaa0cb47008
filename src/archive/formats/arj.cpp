// portable: no platform headers.
#include "archive/formats/arj.h"

#include <cstring>

#include "archive/byte_fields.h"
#include "archive/crc32.h"
#include "archive/entry_extraction.h"
#include "archive/formats/arj_entry_data.h"
#include "archive/formats/arj_header.h"
#include "archive/host_file.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// A header: the marker, the basic header's size, the basic header, its CRC-32. The scan keeps
// the largest header in hand so that a header and its checksum always lie inside the buffer.
constexpr std::size_t kSizeOffset = 2;
constexpr std::size_t kHeaderOffset = kSizeOffset + 2;

// Versions 4 and later of ARJ's format need a newer extractor; the first archiver version wrote
// no method 4.
constexpr uint8_t kNewestReadable = 3;
constexpr uint8_t kLastMethod = 4;
constexpr uint8_t kFirstArchiver = 1;

// Binary and text files and folders are entries; the main header, comment and chapter headers
// are not.
bool isEntry(const ArjHeader& header) {
  return header.fileType == kArjBinaryFile || header.fileType == kArjTextFile ||
         header.fileType == kArjFolder;
}

// An entry as the readers report it.
struct ArjEntry {
  // The stored name with the host's rules applied: every character but a Unix host's loses its
  // top bit, and names stored with '/' get '\'.
  char name[kArjLargestHeader + 1];
  EntryFacts facts;

  ArjEntry(const ArjHeader& header, const HostServices& services) {
    std::memcpy(name, header.name, sizeof name);
    if (header.hostSystem != kArjUnixHost)
      for (char* c = name; *c != '\0'; ++c) *c = static_cast<char>(*c & 0x7F);
    if ((header.flags & kArjSlashSeparators) != 0) services.ToBackslashes(name);
    facts.name = name;
    facts.dosDate = static_cast<uint16_t>(header.modified >> 16);
    facts.dosTime = static_cast<uint16_t>(header.modified);
    facts.attributes = (header.attributes & kRestoredAttributes) |
                       (header.fileType == kArjFolder ? kEntryFolder : 0);
    facts.flag = (header.flags & kArjGarbled) != 0 ? kEncryptedFlag : '\0';
    facts.size = header.originalSize;
  }
};

// Why an entry cannot be extracted, or kDone.
int refusalOf(const ArjHeader& header) {
  if (header.minimumVersion > kNewestReadable) return kNeedsNewerArj;
  if ((header.flags & kArjGarbled) != 0) return kEncrypted;
  if (header.method > kLastMethod ||
      (header.method == kLastMethod && header.archiverVersion == kFirstArchiver))
    return kUnsupportedMethod;
  if (header.fileType != kArjBinaryFile && header.fileType != kArjTextFile)
    return kArjTypeNotExtractable;
  return kDone;
}

int codeOf(ArjRead read) {
  switch (read) {
    case ArjRead::Header:
    case ArjRead::End:
      return kDone;
    case ArjRead::NotArj:
      return kNotThisFormat;
    case ArjRead::Damaged:
      return kDamagedData;
    case ArjRead::ReadFailed:
      break;
  }
  return kReadFailed;
}

// Visits every header after the main header up to the end marker or the end of the file.
// `visit` (file, header) returns how its steps ended. Each header lies after the one before,
// so the walk ends with the file.
template <typename Visit>
int walkArj(const char* path, const HostServices& services, Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file.get(), &size) != 0) size = 0;
  uint64_t offset = 0;
  if (const int code = findArjMainHeader(services, file.get(), size, offset); code != kDone)
    return code;
  ArjHeader header;
  ArjRead read = readArjHeader(services, file.get(), size, offset, header);
  if (read != ArjRead::Header) return codeOf(read);
  // The main header carries no data; its size fields tell other things.
  offset = header.dataOffset;
  for (;;) {
    read = readArjHeader(services, file.get(), size, offset, header);
    if (read != ArjRead::Header) return codeOf(read);
    const EntryStep step = visit(file.get(), header);
    if (step.ends) return step.code;
    offset = header.dataOffset + header.compressedSize;
  }
}

// Failures that would fail the next entry too.
bool endsExtraction(int code) {
  return code == kOpenFailed || code == kReadFailed || code == kWriteFailed || code == kSetUpFailed;
}

}  // namespace

bool isArjHead(const uint8_t* head, const char*) {
  return le16(head) == kArjMarker;
}

// After a rejected candidate the scan skips the bytes the candidate has shown to be its own:
// the marker and size when the size is too large, and the first byte of the header as well
// when the checksum differs.
bool findArjHeader(const uint8_t* buffer, std::size_t m, uint64_t) {
  if (m <= kArjLargestHeader) return false;
  std::size_t i = 0;
  while (i + kArjLargestHeader < m) {
    if (le16(buffer + i) != kArjMarker) {
      ++i;
      continue;
    }
    const std::size_t size = le16(buffer + i + kSizeOffset);
    if (size > kArjLargestHeader) {
      i += 3;
      continue;
    }
    const uint8_t* header = buffer + i + kHeaderOffset;
    if (crc32(header, size) == le32(header + size)) return true;
    i += 5;
  }
  return false;
}

int listArj(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return walkArj(path, services, [&](HostFile, const ArjHeader& header) {
    if (!isEntry(header)) return EntryStep{};
    const ArjEntry entry(header, services);
    char name[platform::kMaxPath] = "";
    services.AppendBounded(name, entry.name, sizeof name);
    callback(name, entry.facts.dosDate, entry.facts.dosTime, entry.facts.attributes,
             entry.facts.flag, header.originalSize, header.compressedSize, header.fileCrc, context);
    return EntryStep{};
  });
}

int extractArj(ExtractionRequest& request, const HostServices& services) {
  int passedOver = kDone;
  const int ended =
      walkArj(request.archivePath, services, [&](HostFile file, const ArjHeader& header) {
        if (abortRequested(request)) return EntryStep{kDone, true};
        if (!isEntry(header)) return EntryStep{};
        const ArjEntry entry(header, services);
        EntryFacts facts = entry.facts;
        facts.refusal = refusalOf(header);
        if (facts.refusal == kDone &&
            services.SeekFile(file, static_cast<int64_t>(header.dataOffset),
                              platform::SeekFrom::Start, nullptr) != 0)
          return EntryStep{kReadFailed, true};
        ArjEntryData data(services, file, header);
        const EntryStep step = extractEntry(request, services, facts, &data);
        if (step.code == kDone || endsExtraction(step.code)) return step;
        // Refused or damaged: the next entry may do.
        if (passedOver == kDone) passedOver = step.code;
        return EntryStep{};
      });
  return ended != kDone ? ended : passedOver;
}

}  // namespace ostrya::archive
