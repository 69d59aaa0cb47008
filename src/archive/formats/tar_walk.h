// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/detection.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// A tar header block (512 bytes) whose checksum field ends with a NUL before `m`.
bool passesTarHeaderTest(const uint8_t* block, std::size_t m, uint64_t fileSize);
bool looksLikeTar(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kTarDetection{nullptr, looksLikeTar, nullptr};

// Longer names are kept cut: no path buffer of the program holds them anyway.
inline constexpr std::size_t kTarLongestName = 4095;

// A stretch of a sparse file that the archive stores; the bytes between stretches are zeros.
struct TarSparseRun {
  uint64_t offset = 0;
  uint64_t length = 0;
};

// A member of a tar archive as its header, and the records before it, describe it.
struct TarMember {
  // '\' separators, without a leading separator.
  char name[kTarLongestName + 1];
  // The size of the file the member stands for; a sparse file's counts its holes.
  uint64_t size = 0;
  // How many bytes of data the archive holds for it, from `dataStart` on.
  uint64_t storedSize = 0;
  int64_t modificationTime = 0;
  char type = 0;
  bool readOnly = false;
  uint64_t dataStart = 0;
  // A sparse file's stored stretches, in the order of its data. A map that could not be read
  // whole (too long, or no memory) makes the member damaged.
  bool sparse = false;
  bool sparseMapDamaged = false;
  std::vector<TarSparseRun> runs;
};

enum class TarStep { Member, ZeroBlock, End, NotTar, ReadFailed };

// Walks the headers of a tar archive from its start, one member at a time. Long names, extended
// headers and sparse maps are taken in on the way and never returned as members.
class TarWalk {
 public:
  TarWalk(const HostServices& services, HostFile file, uint64_t archiveSize)
      : services_(services), file_(file), archiveSize_(archiveSize) {}

  // The next header block: a member (the file then stands at its data), a zero block, the end
  // of the file, a block that is no tar header, or a failed read.
  TarStep next(TarMember& member);
  // Moves to the header after the member's data; false when the move fails.
  bool skipData(const TarMember& member);

 private:
  // What the pax records before a header say about its member.
  struct PaxFacts {
    std::string path;
    std::string sparseName;
    std::optional<uint64_t> size;
    std::optional<uint64_t> sparseSize;
    // Format 1.0 keeps the map at the start of the data; 0.0 and 0.1 keep it in the records.
    bool mapInData = false;
    bool hasMap = false;
    bool mapDamaged = false;
    std::optional<uint64_t> pendingOffset;
    std::vector<TarSparseRun> runs;
  };

  std::optional<TarStep> readData(uint64_t size, uint8_t* buffer, std::size_t capacity,
                                  std::size_t& length);
  std::optional<TarStep> readPaxRecords(uint64_t size);
  void takePaxRecord(const uint8_t* key, std::size_t keyLength, const uint8_t* value,
                     std::size_t valueLength);
  void addPaxRun(std::optional<uint64_t> offset, std::optional<uint64_t> length);
  std::optional<TarStep> readOldGnuSparse(const uint8_t* header, TarMember& member);
  std::optional<TarStep> readMapInData(TarMember& member);
  void nameMember(const uint8_t* header, TarMember& member);
  bool moveTo(uint64_t position);

  const HostServices& services_;
  HostFile file_;
  uint64_t archiveSize_;
  uint64_t position_ = 0;
  // Names that records before a header give its member, empty when none was given.
  char longName_[kTarLongestName + 1] = "";
  PaxFacts pax_;
};

}  // namespace ostrya::archive
