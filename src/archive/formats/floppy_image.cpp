// portable: no platform headers.
#include "archive/formats/floppy_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "archive/byte_fields.h"
#include "archive/entry_extraction.h"
#include "archive/host_file.h"
#include "platform/codepage.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// The boot sector's fields, little-endian. The reader takes one reserved sector: the first
// allocation table follows the boot sector, the root folder follows the tables, and the
// clusters follow the root folder.
constexpr uint32_t kSectorSize = 512;
constexpr std::size_t kBytesPerSector = 11;
constexpr std::size_t kSectorsPerCluster = 13;
constexpr std::size_t kAllocationTables = 16;
constexpr std::size_t kRootEntries = 17;
constexpr std::size_t kSectorsPerTable = 22;
// The most the boot sector test lets through.
constexpr uint32_t kMaxSectorsPerCluster = 2;
constexpr uint16_t kMaxSectorsPerTable = 12;
constexpr uint16_t kMaxRootEntries = 224;

// A folder entry.
constexpr std::size_t kEntrySize = 32;
constexpr std::size_t kBaseName = 0;
constexpr std::size_t kBaseNameLength = 8;
constexpr std::size_t kExtension = kBaseName + kBaseNameLength;
constexpr std::size_t kExtensionLength = 3;
constexpr std::size_t kAttributes = kExtension + kExtensionLength;
constexpr std::size_t kTime = 22;
constexpr std::size_t kDate = 24;
constexpr std::size_t kFirstCluster = 26;
constexpr std::size_t kFileSize = 28;
constexpr uint8_t kEndOfFolder = 0x00;
constexpr uint8_t kDeleted = 0xE5;
// A name that really begins with 0xE5 stores 0x05 instead.
constexpr uint8_t kDeletedMarkStandIn = 0x05;
constexpr uint8_t kLongNamePiece = 0x0F;
// The volume label bit and the two bits no file carries.
constexpr uint8_t kNotAFile = 0xC8;

// A piece of a long name: its sequence number, then 13 UTF-16 characters in three runs. The
// piece stored first carries the end of the name and a mark that a new name begins.
constexpr std::size_t kSequence = 0;
constexpr uint8_t kNewNameMark = 0x40;
constexpr uint8_t kSequenceNumber = 0x1F;
constexpr std::size_t kUnitsPerPiece = 13;
constexpr std::size_t kMaxPieces = 20;
struct UnitRun {
  std::size_t offset;
  std::size_t count;
};
constexpr UnitRun kPieceRuns[] = {{1, 5}, {14, 6}, {28, 2}};

// Cluster numbers that name data; the rest are free, reserved, bad or end-of-chain marks.
constexpr uint32_t kLowestCluster = 2;
constexpr uint32_t kHighestCluster = 4079;
constexpr uint32_t kEndOfChain = 0xFFF;

// Subfolders below this depth are listed but not walked: a folder whose cluster chain leads
// back to itself would otherwise be walked for ever.
constexpr int kMaxDepth = 100;

bool inClusterRange(uint32_t cluster) {
  return cluster >= kLowestCluster && cluster <= kHighestCluster;
}

bool readAt(const HostServices& services, HostFile image, uint64_t offset, void* out,
            uint32_t count) {
  return services.SeekFile(image, static_cast<int64_t>(offset), platform::SeekFrom::Start,
                           nullptr) == 0 &&
         services.ReadExact(image, out, count) == 0;
}

struct Geometry {
  uint32_t clusterSize = 0;
  uint32_t tableBytes = 0;
  uint64_t rootOffset = 0;
  uint32_t rootEntries = 0;
  uint64_t dataOffset = 0;
  // Whole clusters between the data area's start and the image's end.
  uint32_t clustersInImage = 0;

  uint64_t clusterOffset(uint32_t cluster) const {
    return dataOffset + uint64_t{cluster - kLowestCluster} * clusterSize;
  }
};

// The fields of a FAT12 boot sector that a floppy disk image must have.
bool passesFloppyBootSectorTest(const uint8_t* boot) {
  const uint16_t tableSectors = le16(boot + kSectorsPerTable);
  const uint8_t sectorsPerCluster = boot[kSectorsPerCluster];
  return le16(boot + kBytesPerSector) == kSectorSize && sectorsPerCluster >= 1 &&
         sectorsPerCluster <= kMaxSectorsPerCluster && tableSectors >= 1 &&
         tableSectors <= kMaxSectorsPerTable && le16(boot + kRootEntries) <= kMaxRootEntries;
}

// The reader takes what detection's boot sector test takes, no more.
bool readGeometry(const uint8_t* boot, uint64_t imageSize, Geometry& geometry) {
  if (!passesFloppyBootSectorTest(boot)) return false;
  const uint32_t sectorsPerCluster = boot[kSectorsPerCluster];
  const uint32_t sectorsPerTable = le16(boot + kSectorsPerTable);
  geometry.rootEntries = le16(boot + kRootEntries);
  geometry.clusterSize = sectorsPerCluster * kSectorSize;
  geometry.tableBytes = sectorsPerTable * kSectorSize;
  geometry.rootOffset = kSectorSize + uint64_t{boot[kAllocationTables]} * geometry.tableBytes;
  const uint32_t entriesPerSector = kSectorSize / kEntrySize;
  const uint32_t rootSectors = (geometry.rootEntries + entriesPerSector - 1) / entriesPerSector;
  geometry.dataOffset = geometry.rootOffset + uint64_t{rootSectors} * kSectorSize;
  if (imageSize > geometry.dataOffset)
    geometry.clustersInImage = static_cast<uint32_t>(
        std::min<uint64_t>((imageSize - geometry.dataOffset) / geometry.clusterSize,
                           kHighestCluster - kLowestCluster + 1));
  return true;
}

// The first allocation table: 12-bit entries, two in three bytes.
class AllocationTable {
 public:
  AllocationTable(const uint8_t* bytes, uint32_t size) : bytes_(bytes), size_(size) {}
  // The cluster after `cluster` in its chain; an entry beyond the table ends the chain.
  uint32_t next(uint32_t cluster) const {
    const std::size_t at = cluster + cluster / 2;
    if (at + 1 >= size_) return kEndOfChain;
    const uint32_t pair = le16(bytes_ + at);
    return (cluster & 1) != 0 ? pair >> 4 : pair & 0xFFF;
  }

 private:
  const uint8_t* bytes_;
  uint32_t size_;
};

// An open image as the walk and the data reader see it.
struct Volume {
  const HostServices& services;
  HostFile image;
  Geometry geometry;
  AllocationTable table;
};

// Blanks, control characters and the characters that separate or quote names end a part of a
// short name.
bool validShortNameCharacter(uint8_t c) {
  return c > 0x20 && std::strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

// The valid characters at the start of `count` bytes, appended to `out`.
char* appendShortNamePart(const uint8_t* part, std::size_t count, char* out) {
  for (std::size_t i = 0; i < count && validShortNameCharacter(part[i]); ++i) *out++ = part[i];
  return out;
}

void shortName(const uint8_t* entry, char* out) {
  uint8_t base[kBaseNameLength];
  std::memcpy(base, entry + kBaseName, kBaseNameLength);
  if (base[0] == kDeletedMarkStandIn) base[0] = kDeleted;
  char* end = appendShortNamePart(base, kBaseNameLength, out);
  if (validShortNameCharacter(entry[kExtension])) {
    *end++ = '.';
    end = appendShortNamePart(entry + kExtension, kExtensionLength, end);
  }
  *end = '\0';
}

// A long name as its pieces arrive: each piece is placed by its sequence number.
class LongName {
 public:
  void clear() {
    std::memset(units_, 0, sizeof units_);
    filled_ = 0;
  }
  void add(const uint8_t* piece) {
    if ((piece[kSequence] & kNewNameMark) != 0) clear();
    const std::size_t number = piece[kSequence] & kSequenceNumber;
    if (number == 0 || number > kMaxPieces) return;
    char16_t* unit = units_ + (number - 1) * kUnitsPerPiece;
    for (const UnitRun& run : kPieceRuns)
      for (std::size_t i = 0; i < run.count; ++i)
        *unit++ = static_cast<char16_t>(le16(piece + run.offset + 2 * i));
    filled_ = std::max(filled_, number * kUnitsPerPiece);
  }
  // The name up to its terminator, as a file name; false when there is none.
  bool take(char* out) const {
    const std::size_t length =
        static_cast<std::size_t>(std::find(units_, units_ + filled_, u'\0') - units_);
    if (length == 0) return false;
    platform::utf16ToFileName(units_, length, out, platform::kMaxPath);
    return out[0] != '\0';
  }

 private:
  char16_t units_[kMaxPieces * kUnitsPerPiece] = {};
  std::size_t filled_ = 0;
};

// What the walk of one folder keeps; in host memory, one per level of the walk.
struct FolderLevel {
  uint8_t block[kMaxSectorsPerCluster * kSectorSize];
  LongName longName;
  char name[platform::kMaxPath];
  // The full name of the entry in hand; a subfolder's walk takes it as its folder's name.
  char fullName[platform::kMaxPath];
};

// The walk of an image's folders, shared by listing and extraction: each entry goes to
// `onEntry(volume, facts, firstCluster)`, which says whether the walk goes on; a subfolder's
// entries follow the subfolder's own.
template <typename OnEntry>
class FolderWalk {
 public:
  // A sound image reads each folder cluster once; the depth's worth more lets a folder that
  // contains itself be walked down to the depth limit, and no further whatever its shape.
  FolderWalk(const Volume& volume, OnEntry& onEntry)
      : volume_(volume),
        onEntry_(onEntry),
        folderClustersLeft_(volume.geometry.clustersInImage + kMaxDepth) {}

  EntryStep walkRoot() { return walk(0, "", 0); }

 private:
  // The root folder spans its entry count in whole sectors; a subfolder follows its cluster
  // chain, which may not be longer than the image.
  EntryStep walk(uint32_t firstCluster, const char* folderName, int depth) {
    HostBlock block(volume_.services, sizeof(FolderLevel));
    if (!block) return {kSetUpFailed, true};
    FolderLevel& level = *new (block.bytes()) FolderLevel{};
    const Geometry& geometry = volume_.geometry;
    const bool root = depth == 0;
    uint32_t rootEntriesLeft = geometry.rootEntries;
    uint32_t cluster = firstCluster;
    for (uint32_t followed = 0;; ++followed) {
      uint64_t offset = 0;
      uint32_t bytes = 0;
      if (root) {
        if (rootEntriesLeft == 0) return {};
        offset = geometry.rootOffset + uint64_t{followed} * kSectorSize;
        bytes = kSectorSize;
      } else {
        if (!inClusterRange(cluster) || followed == geometry.clustersInImage ||
            folderClustersLeft_ == 0)
          return {};
        --folderClustersLeft_;
        offset = geometry.clusterOffset(cluster);
        bytes = geometry.clusterSize;
      }
      if (!readAt(volume_.services, volume_.image, offset, level.block, bytes))
        return {kNotThisFormat, true};
      uint32_t count = bytes / kEntrySize;
      if (root) {
        count = std::min(count, rootEntriesLeft);
        rootEntriesLeft -= count;
      }
      for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = level.block + i * kEntrySize;
        if (entry[0] == kEndOfFolder) return {};
        const EntryStep step = takeEntry(level, entry, folderName, depth);
        if (step.ends) return step;
      }
      if (!root) cluster = volume_.table.next(cluster);
    }
  }

  EntryStep takeEntry(FolderLevel& level, const uint8_t* entry, const char* folderName, int depth) {
    const uint8_t attributes = entry[kAttributes];
    if (entry[0] == kDeleted) {
      level.longName.clear();
      return {};
    }
    if (attributes == kLongNamePiece) {
      level.longName.add(entry);
      return {};
    }
    // A long name belongs to the entry right after its pieces and to no other.
    const bool named = level.longName.take(level.name);
    level.longName.clear();
    if ((attributes & kNotAFile) != 0) return {};
    if (!named) shortName(entry, level.name);
    if (level.name[0] == '\0') return {};

    level.fullName[0] = '\0';
    if (folderName[0] != '\0') {
      volume_.services.AppendBounded(level.fullName, folderName, platform::kMaxPath);
      volume_.services.AppendBounded(level.fullName, "\\", platform::kMaxPath);
    }
    volume_.services.AppendBounded(level.fullName, level.name, platform::kMaxPath);

    EntryFacts facts;
    facts.name = level.fullName;
    facts.dosDate = le16(entry + kDate);
    facts.dosTime = le16(entry + kTime);
    facts.attributes = attributes;
    facts.size = le32(entry + kFileSize);
    const uint32_t firstCluster = le16(entry + kFirstCluster);
    const EntryStep step = onEntry_(volume_, facts, firstCluster);
    if (step.ends) return step;
    if ((attributes & kEntryFolder) != 0 && depth < kMaxDepth && inClusterRange(firstCluster))
      return walk(firstCluster, level.fullName, depth + 1);
    return {};
  }

  const Volume& volume_;
  OnEntry& onEntry_;
  uint32_t folderClustersLeft_;
};

template <typename OnEntry>
int readImage(const char* path, const HostServices& services, OnEntry onEntry) {
  HostFileGuard image = HostFileGuard::openForReading(services, path);
  if (!image.isOpen()) return kOpenFailed;
  uint8_t boot[kSectorSize];
  if (services.ReadExact(image.get(), boot, kSectorSize) != 0) return kNotThisFormat;
  uint64_t imageSize = 0;
  services.GetFileSize(nullptr, image.get(), &imageSize);
  Geometry geometry;
  if (!readGeometry(boot, imageSize, geometry)) return kNotThisFormat;
  HostBlock table(services, geometry.tableBytes);
  if (!table) return kSetUpFailed;
  if (!readAt(services, image.get(), kSectorSize, table.bytes(), geometry.tableBytes))
    return kNotThisFormat;
  const Volume volume{services, image.get(), geometry,
                      AllocationTable(table.bytes(), geometry.tableBytes)};
  FolderWalk<OnEntry> walk(volume, onEntry);
  return walk.walkRoot().code;
}

// A file's data along its cluster chain. The chain may not be longer than the image, so a
// chain that loops ends too.
class ClusterChainData final : public EntryData {
 public:
  ClusterChainData(const Volume& volume, uint32_t firstCluster, uint32_t size)
      : volume_(volume), firstCluster_(firstCluster), size_(size) {}
  int writeTo(EntryOutput& output) override {
    const Geometry& geometry = volume_.geometry;
    uint32_t cluster = firstCluster_;
    uint32_t followed = 0;
    for (uint32_t left = size_; left > 0;) {
      if (!inClusterRange(cluster) || followed == geometry.clustersInImage) return kNotThisFormat;
      ++followed;
      const uint32_t piece = std::min(left, geometry.clusterSize);
      if (volume_.services.SeekFile(volume_.image,
                                    static_cast<int64_t>(geometry.clusterOffset(cluster)),
                                    platform::SeekFrom::Start, nullptr) != 0)
        return kReadFailed;
      StoredData stored(volume_.services, volume_.image, piece);
      const int code = stored.writeTo(output);
      if (code != kDone) return code;
      left -= piece;
      cluster = volume_.table.next(cluster);
    }
    return kDone;
  }

 private:
  const Volume& volume_;
  uint32_t firstCluster_;
  uint32_t size_;
};

}  // namespace

bool looksLikeFloppyImage(const uint8_t* buffer, std::size_t m, uint64_t) {
  return m > kSectorSize && passesFloppyBootSectorTest(buffer);
}

// An image without a single entry is reported once, with an empty name and no fields.
int listFloppyImage(const char* path, ListingContext* context, EntryCallback callback,
                    const HostServices& services, void*) {
  uint32_t reported = 0;
  const int code = readImage(path, services, [&](const Volume&, const EntryFacts& entry, uint32_t) {
    ++reported;
    callback(entry.name, entry.dosDate, entry.dosTime, entry.attributes, ' ', entry.size,
             entry.size, 0, context);
    return EntryStep{};
  });
  if (code == kDone && reported == 0) callback("", 0, 0, 0, 0, 0, 0, 0, context);
  return code;
}

int extractFloppyImage(ExtractionRequest& request, const HostServices& services) {
  return readImage(request.archivePath, services,
                   [&](const Volume& volume, const EntryFacts& entry, uint32_t firstCluster) {
                     ClusterChainData data(volume, firstCluster, entry.size);
                     return extractEntry(request, services, entry, &data);
                   });
}

}  // namespace ostrya::archive
