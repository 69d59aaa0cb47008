// portable: no platform headers.
#include "archive/formats/lha.h"

#include <lhasa.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "archive/byte_fields.h"
#include "archive/crc16.h"
#include "archive/entry_extraction.h"
#include "archive/formats/lha_stream.h"
#include "archive/host_file.h"
#include "archive/unix_time.h"

namespace ostrya::archive {
namespace {

// A header length byte, a checksum byte, then a method such as "-lh5-".
constexpr std::size_t kLengthOffset = 0;
constexpr std::size_t kChecksumOffset = kLengthOffset + 1;
constexpr std::size_t kMethodOffset = kChecksumOffset + 1;
constexpr std::size_t kMethodEnd = kMethodOffset + 4;
// A header is longer than 20 bytes; the length byte counts as signed, so 127 is the most.
constexpr int kShortestHeader = 21;
constexpr int kLongestHeader = 127;
// Self-extracting LHA programs put the archive close behind a small stub.
constexpr std::size_t kScanEnd = 3000;

// Every header level keeps these where level 0 has them, inside the 22 bytes lhasa reads of
// every header before anything else:
//   15 DOS time and date (levels 0, 1) or Unix time (levels 2, 3), 19 DOS attributes.
constexpr std::size_t kStampOffset = 15;
constexpr std::size_t kAttributesOffset = 19;

// The stubs that LHA for DOS (.EXE, .COM) and for the X68000 (.x) put in front of an archive
// are a few kilobytes long; the archive behind one is looked for this far.
constexpr std::size_t kStubScan = 4096;
// lhasa needs this many bytes to take a header for one.
constexpr std::size_t kHeaderProbe = 13;

// The methods extracted, as lhasa names its decoders; it has none for the experimental
// "-lh2-" and "-lh3-".
constexpr const char* kMethods[] = {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-",
                                    "-lzs-", "-lz5-", "-lz4-", "-pm0-", "-pm1-", "-pm2-"};

// Longer names are kept cut: no path buffer of the program holds them anyway.
constexpr std::size_t kLongestName = 4095;

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(const char* text, const char* lower) {
  for (; *lower != '\0'; ++text, ++lower)
    if (asciiLower(*text) != *lower) return false;
  return *text == '\0';
}

const char* methodOf(const LHAFileHeader& header) {
  for (const char* method : kMethods)
    if (equalsIgnoringCase(header.compress_method, method)) return method;
  return nullptr;
}

bool namesSelfExtractor(const char* path, const HostServices& services) {
  const char* extension = path + services.ExtensionPos(path);
  return equalsIgnoringCase(extension, ".exe") || equalsIgnoringCase(extension, ".com") ||
         equalsIgnoringCase(extension, ".x");
}

// Where the archive begins: behind the stub of a self-extracting program, else at the start.
int findStart(const HostServices& services, HostFile file, uint64_t size, uint64_t& start) {
  uint8_t buffer[kStubScan + kMethodOffset + kLongestHeader];
  const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(size, sizeof buffer));
  if (services.ReadExact(file, buffer, count) != 0) return kReadFailed;
  start = 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(count, kStubScan); ++i) {
    if (lhaHeaderAt(buffer + i, count - i)) {
      start = i;
      break;
    }
  }
  return kDone;
}

// lhasa would look for its first header in the first 64 KiB by itself. The walk has chosen
// where the archive begins, so a header must begin there, with a method of the families lhasa
// looks for.
bool lhasaTakesHeader(const uint8_t* at) {
  if (at[kMethodOffset] != '-' || at[kMethodEnd] != '-') return false;
  const char* family = reinterpret_cast<const char*>(at + kMethodOffset + 1);
  const char kind = family[2];
  return (family[0] == 'l' && family[1] == 'h') ||
         (family[0] == 'l' && family[1] == 'z' && (kind == '4' || kind == '5' || kind == 's')) ||
         (family[0] == 'p' && family[1] == 'm' && kind != 's');
}

// A header as the readers report it.
struct LhaEntry {
  enum class Kind { File, Folder, Link };
  // '\' separators; a folder's name ends with one.
  char name[kLongestName + 2];
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t attributes = 0;
  uint32_t size = 0;
  uint32_t packedSize = 0;
  uint16_t crc = 0;
  Kind kind = Kind::File;

  EntryFacts facts() const {
    EntryFacts facts;
    facts.name = name;
    facts.dosDate = dosDate;
    facts.dosTime = dosTime;
    facts.attributes = attributes;
    facts.size = size;
    return facts;
  }
  // Without the folder's separator, cut to the path buffer.
  void listingName(char* out, std::size_t capacity, const HostServices& services) const {
    out[0] = '\0';
    services.AppendBounded(out, name, capacity);
    const std::size_t length = std::strlen(out);
    if (kind == Kind::Folder && length > 0 && out[length - 1] == '\\') out[length - 1] = '\0';
  }
};

// False for a header that names no entry of its own (lhasa drops ".." from paths, which may
// leave nothing).
bool describeLhaHeader(const LHAFileHeader& header, const HostServices& services, LhaEntry& entry) {
  entry.name[0] = '\0';
  if (header.path) services.AppendBounded(entry.name, header.path, sizeof entry.name);
  if (header.filename) services.AppendBounded(entry.name, header.filename, sizeof entry.name);
  services.ToBackslashes(entry.name);
  if (namesNoEntry(entry.name)) return false;

  if (std::strcmp(header.compress_method, LHA_COMPRESS_TYPE_DIR) != 0)
    entry.kind = LhaEntry::Kind::File;
  else
    entry.kind = header.symlink_target ? LhaEntry::Kind::Link : LhaEntry::Kind::Folder;
  const uint8_t* raw = header.raw_data;
  // Levels 0 and 1 keep the DOS time stamp as the archiver's local time; levels 2 and 3 keep a
  // Unix time.
  if (header.header_level <= 1) {
    entry.dosTime = le16(raw + kStampOffset);
    entry.dosDate = le16(raw + kStampOffset + 2);
  } else {
    unixTimeToDos(header.timestamp, entry.dosDate, entry.dosTime);
  }
  entry.attributes = raw[kAttributesOffset] & kRestoredAttributes;
  if (entry.kind == LhaEntry::Kind::Folder) {
    entry.attributes |= kEntryFolder;
    const std::size_t length = std::strlen(entry.name);
    if (entry.name[length - 1] != '\\' && length + 1 < sizeof entry.name) {
      entry.name[length] = '\\';
      entry.name[length + 1] = '\0';
    }
  }
  entry.size = reportedSize(header.length);
  entry.packedSize = reportedSize(header.compressed_length);
  entry.crc = header.crc;
  return true;
}

struct ReaderFree {
  void operator()(LHAReader* reader) const { lha_reader_free(reader); }
};

// Visits every header from the archive's start to its end. `visit` (reader, header, entry)
// returns how its steps ended.
template <typename Visit>
int walkLha(const char* path, const HostServices& services, Visit&& visit) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kOpenFailed;
  uint64_t size = 0;
  if (services.GetFileSize(nullptr, file.get(), &size) != 0) return kReadFailed;
  uint64_t start = 0;
  if (namesSelfExtractor(path, services)) {
    if (const int code = findStart(services, file.get(), size, start); code != kDone) return code;
  }

  uint8_t head[kHeaderProbe];
  const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(size - start, sizeof head));
  if (services.SeekFile(file.get(), static_cast<int64_t>(start), platform::SeekFrom::Start,
                        nullptr) != 0 ||
      services.ReadExact(file.get(), head, count) != 0)
    return kReadFailed;
  // An archive of nothing but the end marker.
  if (count == 0 || head[kLengthOffset] == 0) return kDone;
  if (count < kHeaderProbe || !lhasaTakesHeader(head)) return kNotThisFormat;
  if (services.SeekFile(file.get(), static_cast<int64_t>(start), platform::SeekFrom::Start,
                        nullptr) != 0)
    return kReadFailed;

  LhaHostStream source(services, file.get(), start, size);
  if (!source.stream()) return kSetUpFailed;
  std::unique_ptr<LHAReader, ReaderFree> reader(lha_reader_new(source.stream()));
  if (!reader) return kSetUpFailed;
  // Folders come once, as the archive has them; the later passes lhasa makes to set a folder's
  // time after its files serve its own extraction only.
  lha_reader_set_dir_policy(reader.get(), LHA_READER_DIR_PLAIN);
  LhaEntry entry;
  for (;;) {
    source.expectHeader();
    LHAFileHeader* header = lha_reader_next_file(reader.get());
    if (header == nullptr) return source.endCode();
    if (!describeLhaHeader(*header, services, entry)) continue;
    const EntryStep step = visit(reader.get(), *header, entry, source);
    if (step.ends) return step.code;
  }
}

// An entry's data through lhasa's decoder for its method, checked against the header's length
// and CRC-16.
class LhaEntryData final : public EntryData {
 public:
  LhaEntryData(LHAReader* reader, const LhaEntry& entry, const LhaHostStream& source)
      : reader_(reader), entry_(entry), source_(source) {}
  int writeTo(EntryOutput& output) override {
    uint8_t piece[16384];
    uint16_t crc = 0;
    uint64_t total = 0;
    for (;;) {
      const std::size_t got = lha_reader_read(reader_, piece, sizeof piece);
      if (got == 0) break;
      crc = crc16Update(crc, piece, got);
      total += got;
      if (const int code = output.write(piece, got); code != kDone) return code;
    }
    if (source_.readFailed()) return kReadFailed;
    return total == entry_.size && crc == entry_.crc ? kDone : kDamagedData;
  }

 private:
  LHAReader* reader_;
  const LhaEntry& entry_;
  const LhaHostStream& source_;
};

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

// The header's CRC-16 of the entry's data goes with each entry.
int listLha(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return walkLha(
      path, services,
      [&](LHAReader*, const LHAFileHeader&, const LhaEntry& entry, const LhaHostStream&) {
        char name[platform::kMaxPath];
        entry.listingName(name, sizeof name, services);
        callback(name, entry.dosDate, entry.dosTime, entry.attributes, ' ', entry.size,
                 entry.packedSize, entry.crc, context);
        return EntryStep{};
      });
}

// Folders and files are extracted; symbolic links, which Windows archives never hold, are
// passed over.
int extractLha(ExtractionRequest& request, const HostServices& services) {
  int unsupported = kDone;
  const int code =
      walkLha(request.archivePath, services,
              [&](LHAReader* reader, LHAFileHeader& header, const LhaEntry& entry,
                  const LhaHostStream& source) {
                if (abortRequested(request)) return EntryStep{kDone, true};
                switch (entry.kind) {
                  case LhaEntry::Kind::Folder:
                    return extractEntry(request, services, entry.facts(), nullptr);
                  case LhaEntry::Kind::Link:
                    return EntryStep{};
                  case LhaEntry::Kind::File:
                    break;
                }
                const char* method = methodOf(header);
                if (method == nullptr) {
                  unsupported = kUnsupportedMethod;
                  return EntryStep{};
                }
                // lhasa looks its decoder up by the exact name.
                std::memcpy(header.compress_method, method, sizeof header.compress_method);
                // lhasa would take a MacBinary header off a MacLHA entry, but the header's length
                // and CRC-16 count it: the entry comes out as it is stored.
                if (header.os_type == LHA_OS_TYPE_MACOS) header.os_type = LHA_OS_TYPE_UNKNOWN;
                LhaEntryData data(reader, entry, source);
                return extractEntry(request, services, entry.facts(), &data);
              });
  return code != kDone ? code : unsupported;
}

}  // namespace ostrya::archive
