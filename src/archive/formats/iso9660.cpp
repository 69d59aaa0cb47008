// portable: no platform headers.
#include "archive/formats/iso9660.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <vector>

#include "archive/byte_fields.h"
#include "archive/entry_extraction.h"
#include "archive/host_file.h"
#include "foundation/date_time_text.h"
#include "platform/codepage.h"
#include "platform/local_time.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// An image is a run of 2048-byte sectors; the volume descriptors start at sector 16, one per
// sector, and end with a terminator.
constexpr uint32_t kSectorSize = 2048;
constexpr uint32_t kFirstDescriptorSector = 16;

// A volume descriptor: its type, "CD001", its version.
constexpr std::size_t kDescriptorType = 0;
constexpr std::size_t kStandardIdentifier = 1;
constexpr char kCd001[] = "CD001";
constexpr std::size_t kDescriptorVersion = kStandardIdentifier + 5;
constexpr uint8_t kPrimaryDescriptor = 1;
constexpr std::size_t kEscapeSequences = 88;
constexpr std::size_t kRootRecord = 156;
constexpr uint8_t kSupplementaryDescriptor = 2;
constexpr uint8_t kTerminatorDescriptor = 255;

bool isIsoPrimaryDescriptor(const uint8_t* descriptor) {
  return descriptor[kDescriptorType] == kPrimaryDescriptor &&
         bytesAre(descriptor + kStandardIdentifier, kCd001, sizeof kCd001 - 1) &&
         descriptor[kDescriptorVersion] == 1;
}

// A directory record; the fixed part ends where the name begins.
constexpr std::size_t kRecordLength = 0;
constexpr std::size_t kExtent = 2;
constexpr std::size_t kDataLength = 10;
constexpr std::size_t kRecordingDate = 18;  // years since 1900, month, day, hour, minute, second
constexpr std::size_t kFlags = 25;
constexpr std::size_t kNameLength = 32;
constexpr std::size_t kName = 33;
constexpr uint8_t kFlagHidden = 0x01;
constexpr uint8_t kFlagFolder = 0x02;
constexpr uint8_t kFlagProtected = 0x10;
// The file goes on in the next record: a file too large for one extent is recorded in several,
// one after another under the same name.
constexpr uint8_t kFlagMoreExtents = 0x80;
// Extents joined into one file at most; a longer chain goes on as another entry.
constexpr std::size_t kMostExtentsPerFile = 1 << 16;

// What begins after this byte of a folder sector is taken as the sector's padding, not as a
// record.
constexpr std::size_t kLastRecordStart = 1977;

// Folders kept in the queue at most; later ones are listed but not walked.
constexpr std::size_t kMaxFolders = 32768;

bool readSector(const HostServices& services, HostFile image, uint64_t sector, uint8_t* out) {
  return services.SeekFile(image, static_cast<int64_t>(sector * kSectorSize),
                           platform::SeekFrom::Start, nullptr) == 0 &&
         services.ReadExact(image, out, kSectorSize) == 0;
}

// Joliet's escape sequences "%/@", "%/C" and "%/E" name its UCS-2 levels 1 to 3.
bool hasJolietEscape(const uint8_t* descriptor) {
  const uint8_t* escape = descriptor + kEscapeSequences;
  return escape[0] == '%' && escape[1] == '/' && escape[2] != 0 &&
         std::strchr("@CE", escape[2]) != nullptr && escape[3] == 0;
}

struct FolderExtent {
  uint32_t sector = 0;
  uint32_t length = 0;
};

FolderExtent rootOf(const uint8_t* descriptor) {
  return {le32(descriptor + kRootRecord + kExtent), le32(descriptor + kRootRecord + kDataLength)};
}

// The first supplementary descriptor with a Joliet escape sequence, read up to the terminator
// or the first sector that cannot be read; its root replaces `root` when found.
bool findJolietRoot(const HostServices& services, HostFile image, uint8_t* sector,
                    FolderExtent& root) {
  for (uint64_t at = kFirstDescriptorSector; readSector(services, image, at, sector); ++at) {
    if (sector[kDescriptorType] == kTerminatorDescriptor) return false;
    if (sector[kDescriptorType] == kSupplementaryDescriptor && hasJolietEscape(sector)) {
      root = rootOf(sector);
      return true;
    }
  }
  return false;
}

// Days from 1970-01-01 to a day of the Gregorian calendar, for years from 1 on.
int64_t daysSince1970(int64_t year, unsigned month, unsigned day) {
  if (month <= 2) --year;
  const int64_t era = year / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The recording date is universal time; month 0 means that none was recorded, and a field out
// of its range gives no date either.
void recordingDate(const uint8_t* date, uint16_t& dosDate, uint16_t& dosTime) {
  dosDate = dosTime = 0;
  const unsigned month = date[1], day = date[2], hour = date[3], minute = date[4], second = date[5];
  if (month == 0 || month > 12 || day == 0 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return;
  const int64_t seconds =
      daysSince1970(1900 + date[0], month, day) * 86400 + hour * 3600 + minute * 60 + second;
  platform::LocalTime local;
  if (!platform::localTimeOfUnix(seconds, local)) return;
  dosDate = dosDateOf({static_cast<uint32_t>(local.day), static_cast<uint32_t>(local.month),
                       static_cast<uint32_t>(local.year)});
  dosTime = dosTimeOf({static_cast<uint32_t>(local.hour), static_cast<uint32_t>(local.minute),
                       static_cast<uint32_t>(local.second)});
}

// A record's name as a file name, cut at the ';' of its version number: Joliet names are
// big-endian UTF-16, other names are taken as stored. A dot left at the end only separated an
// empty extension ("README.;1" is README).
void recordName(const uint8_t* record, bool joliet, char* out) {
  const uint8_t length = record[kNameLength];
  const uint8_t* stored = record + kName;
  if (joliet) {
    char16_t units[255 / 2];
    const std::size_t count = length / 2;
    for (std::size_t i = 0; i < count; ++i) units[i] = static_cast<char16_t>(be16(stored + 2 * i));
    platform::utf16ToFileName(units, count, out, platform::kMaxPath);
  } else {
    std::memcpy(out, stored, length);
    out[length] = '\0';
  }
  if (char* version = std::strchr(out, ';')) {
    *version = '\0';
    if (version > out && version[-1] == '.') version[-1] = '\0';
  }
}

// The parent's path without separators at either end, '\', and the name; the root adds none.
void joinName(const HostServices& services, const char* parent, const char* name, char* out) {
  while (platform::isPathSeparator(*parent)) ++parent;
  std::size_t length = std::strlen(parent);
  while (length > 0 && platform::isPathSeparator(parent[length - 1])) --length;
  out[0] = '\0';
  if (length > 0) {
    if (length >= platform::kMaxPath) length = platform::kMaxPath - 1;
    std::memcpy(out, parent, length);
    out[length] = '\0';
    services.AppendBounded(out, "/", platform::kMaxPath);
  }
  services.AppendBounded(out, name, platform::kMaxPath);
  services.ToBackslashes(out);
}

struct QueuedFolder {
  FolderExtent extent;
  char name[platform::kMaxPath];
};

// The folders met so far, in host memory, walked in the order they were met. Walked folders
// stay, so that a folder whose extent comes round again is not walked twice.
class FolderQueue {
 public:
  explicit FolderQueue(const HostServices& services) : services_(services) {}
  ~FolderQueue() {
    if (block_) services_.FreeAndClear(&block_);
  }
  FolderQueue(const FolderQueue&) = delete;
  FolderQueue& operator=(const FolderQueue&) = delete;

  std::size_t size() const { return size_; }
  const QueuedFolder& operator[](std::size_t index) const { return folders()[index]; }
  bool full() const { return size_ == kMaxFolders; }
  bool holds(uint32_t sector) const { return sectors_.count(sector) != 0; }
  // False when there is no memory for it.
  bool push(FolderExtent extent, const char* name) {
    if (size_ == capacity_ && !grow()) return false;
    try {
      sectors_.insert(extent.sector);
    } catch (const std::bad_alloc&) {
      return false;
    }
    QueuedFolder& folder = folders()[size_++];
    folder.extent = extent;
    std::strcpy(folder.name, name);
    return true;
  }

 private:
  QueuedFolder* folders() const { return static_cast<QueuedFolder*>(block_); }
  bool grow() {
    const std::size_t capacity = capacity_ == 0 ? 16 : std::min(capacity_ * 2, kMaxFolders);
    void* larger = services_.Alloc(capacity * sizeof(QueuedFolder));
    if (larger == nullptr) return false;
    if (block_) {
      std::memcpy(larger, block_, size_ * sizeof(QueuedFolder));
      services_.FreeAndClear(&block_);
    }
    block_ = larger;
    capacity_ = capacity;
    return true;
  }

  const HostServices& services_;
  void* block_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  // The extents queued so far, so that a folder met again is known at once.
  std::unordered_set<uint32_t> sectors_;
};

// A file entry waiting for the rest of its extents.
struct PendingFile {
  EntryFacts facts;
  char name[platform::kMaxPath] = "";
  std::vector<FolderExtent> extents;
  uint64_t size = 0;
};

// The walk of one image, shared by listing and extraction: `onEntry(image, facts, extents)`
// takes each entry, with the extents that hold a file's data in order, and says whether the
// walk goes on.
template <typename OnEntry>
class ImageWalk {
 public:
  ImageWalk(const HostServices& services, HostFile image, bool joliet, uint64_t imageSize,
            OnEntry& onEntry)
      : services_(services),
        image_(image),
        joliet_(joliet),
        sectorsLeft_(imageSize / kSectorSize),
        onEntry_(onEntry),
        queue_(services) {}

  int run(FolderExtent root) {
    if (!queue_.push(root, "")) return kSetUpFailed;
    for (std::size_t next = 0; next < queue_.size(); ++next) {
      // A copy: the queue may move while this folder adds to it.
      const QueuedFolder folder = queue_[next];
      EntryStep step = walkFolder(folder);
      // A file whose last extent never came is reported with the extents there are.
      if (!step.ends) step = flushPending();
      if (step.ends) return step.code;
    }
    return kDone;
  }

 private:
  // Folder extents of a sound image never overlap, so a walk that needs more folder sectors
  // than the image holds is going round in circles.
  EntryStep walkFolder(const QueuedFolder& folder) {
    const uint64_t sectors = (uint64_t{folder.extent.length} + kSectorSize - 1) / kSectorSize;
    for (uint64_t i = 0; i < sectors; ++i) {
      if (sectorsLeft_ == 0) return {kNotThisFormat, true};
      --sectorsLeft_;
      uint8_t sector[kSectorSize];
      if (!readSector(services_, image_, uint64_t{folder.extent.sector} + i, sector))
        return {kNotThisFormat, true};
      for (std::size_t at = 0; at <= kLastRecordStart;) {
        const uint8_t* record = sector + at;
        const std::size_t length = record[kRecordLength];
        // A record never crosses a sector; one that would, or whose name overruns it, is
        // damage, and the rest of the sector is not trusted.
        if (length <= kName || at + length > kSectorSize || kName + record[kNameLength] > length)
          break;
        const EntryStep step = takeRecord(record, folder.name);
        if (step.ends) return step;
        at += length;
      }
    }
    return {};
  }

  EntryStep takeRecord(const uint8_t* record, const char* parent) {
    // The records of the folder itself and of its parent.
    if (record[kNameLength] == 1 && record[kName] <= 1) return {};
    char name[platform::kMaxPath];
    recordName(record, joliet_, name);
    if (name[0] == '\0') return {};
    char fullName[platform::kMaxPath];
    joinName(services_, parent, name, fullName);

    const uint8_t flags = record[kFlags];
    const bool folder = (flags & kFlagFolder) != 0;
    const FolderExtent extent = {le32(record + kExtent), le32(record + kDataLength)};
    if (folder) {
      EntryStep step = flushPending();
      if (step.ends) return step;
      EntryFacts facts = factsOf(record, fullName);
      if (!queue_.full() && !queue_.holds(extent.sector) && !queue_.push(extent, fullName))
        return {kSetUpFailed, true};
      return onEntry_(image_, facts, std::vector<FolderExtent>{});
    }
    // A record that does not continue the pending file's chain ends it.
    if (pending_ && (std::strcmp(pending_->name, fullName) != 0 ||
                     pending_->extents.size() == kMostExtentsPerFile)) {
      EntryStep step = flushPending();
      if (step.ends) return step;
    }
    try {
      if (!pending_) {
        pending_ = std::make_unique<PendingFile>();
        std::strcpy(pending_->name, fullName);
        pending_->facts = factsOf(record, pending_->name);
      }
      pending_->extents.push_back(extent);
    } catch (const std::bad_alloc&) {
      return {kSetUpFailed, true};
    }
    pending_->size += extent.length;
    if ((flags & kFlagMoreExtents) != 0) return {};
    return flushPending();
  }

  EntryFacts factsOf(const uint8_t* record, const char* fullName) const {
    const uint8_t flags = record[kFlags];
    const bool folder = (flags & kFlagFolder) != 0;
    EntryFacts facts;
    facts.name = fullName;
    facts.attributes = (folder ? kEntryFolder : 0) | ((flags & kFlagHidden) ? kEntryHidden : 0) |
                       ((flags & kFlagProtected) ? kEntryReadOnly : 0);
    recordingDate(record + kRecordingDate, facts.dosDate, facts.dosTime);
    return facts;
  }

  EntryStep flushPending() {
    if (!pending_) return {};
    const std::unique_ptr<PendingFile> file = std::move(pending_);
    file->facts.size = reportedSize(file->size);
    return onEntry_(image_, file->facts, file->extents);
  }

  const HostServices& services_;
  HostFile image_;
  bool joliet_;
  uint64_t sectorsLeft_;
  OnEntry& onEntry_;
  FolderQueue queue_;
  std::unique_ptr<PendingFile> pending_;
};

template <typename OnEntry>
int readImage(const char* path, const HostServices& services, OnEntry onEntry) {
  HostFileGuard image = HostFileGuard::openForReading(services, path);
  if (!image.isOpen()) return kOpenFailed;
  uint8_t sector[kSectorSize];
  if (!readSector(services, image.get(), kFirstDescriptorSector, sector) ||
      !isIsoPrimaryDescriptor(sector))
    return kNotThisFormat;
  FolderExtent root = rootOf(sector);
  const bool joliet = findJolietRoot(services, image.get(), sector, root);
  uint64_t imageSize = 0;
  services.GetFileSize(nullptr, image.get(), &imageSize);
  ImageWalk<OnEntry> walk(services, image.get(), joliet, imageSize, onEntry);
  return walk.run(root);
}

// A file's data: each extent's bytes from its first sector on, in order.
class ExtentData final : public EntryData {
 public:
  ExtentData(const HostServices& services, HostFile image, const std::vector<FolderExtent>& extents)
      : services_(services), image_(image), extents_(extents) {}
  int writeTo(EntryOutput& output) override {
    for (const FolderExtent& extent : extents_) {
      if (services_.SeekFile(image_, static_cast<int64_t>(uint64_t{extent.sector} * kSectorSize),
                             platform::SeekFrom::Start, nullptr) != 0)
        return kReadFailed;
      StoredData stored(services_, image_, extent.length);
      if (const int code = stored.writeTo(output); code != kDone) return code;
    }
    return kDone;
  }

 private:
  const HostServices& services_;
  HostFile image_;
  const std::vector<FolderExtent>& extents_;
};

}  // namespace

// The primary descriptor far into the file, in the sector after the 16 system sectors.
bool looksLikeIso(const uint8_t* buffer, std::size_t m, uint64_t) {
  const std::size_t descriptor = std::size_t{kFirstDescriptorSector} * kSectorSize;
  return m > descriptor + kSectorSize && isIsoPrimaryDescriptor(buffer + descriptor);
}

int listIso(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  return readImage(path, services,
                   [&](HostFile, const EntryFacts& entry, const std::vector<FolderExtent>&) {
                     callback(entry.name, entry.dosDate, entry.dosTime, entry.attributes, ' ',
                              entry.size, entry.size, 0, context);
                     return EntryStep{};
                   });
}

int extractIso(ExtractionRequest& request, const HostServices& services) {
  return readImage(
      request.archivePath, services,
      [&](HostFile image, const EntryFacts& entry, const std::vector<FolderExtent>& extents) {
        ExtentData data(services, image, extents);
        return extractEntry(request, services, entry, &data);
      });
}

}  // namespace ostrya::archive
