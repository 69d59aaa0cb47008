// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "archive/host_services.h"

namespace ostrya::archive {

// Longer names are kept cut: no path buffer of the program holds them anyway.
inline constexpr std::size_t kTarLongestName = 4095;

// A member of a tar archive as its header, and the records before it, describe it.
struct TarMember {
  // '\' separators, without a leading separator.
  char name[kTarLongestName + 1];
  uint64_t size = 0;
  int64_t modificationTime = 0;
  char type = 0;
  bool readOnly = false;
  // Where the member's data begins in the archive.
  uint64_t dataStart = 0;
};

enum class TarStep { Member, ZeroBlock, End, NotTar, ReadFailed };

// Walks the headers of a tar archive from its start, one member at a time. Long names and
// extended headers are taken in on the way and never returned as members.
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
  std::optional<TarStep> readData(uint64_t size, uint8_t* buffer, std::size_t capacity,
                                  std::size_t& length);
  void takePaxPath(const uint8_t* records, std::size_t length);
  void nameMember(const uint8_t* header, TarMember& member);
  bool moveTo(uint64_t position);

  const HostServices& services_;
  HostFile file_;
  uint64_t archiveSize_;
  uint64_t position_ = 0;
  // Names that records before a header give its member, empty when none was given.
  char longName_[kTarLongestName + 1] = "";
  char paxPath_[kTarLongestName + 1] = "";
};

}  // namespace ostrya::archive
