// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/host_services.h"

namespace ostrya::archive {

// An ACE archive is a row of blocks: a 16-bit header CRC, a 16-bit header size, the header, and
// the data it announces. The archive header comes first, the file headers after it.
enum class AceBlockType : uint8_t { Archive = 0, File = 1 };

// Flags of every block; the others belong to the file headers, but for the archive's own.
inline constexpr uint16_t kAceHasData = 0x0001;
inline constexpr uint16_t kAceSplitBefore = 0x1000;
inline constexpr uint16_t kAceSplitAfter = 0x2000;
inline constexpr uint16_t kAceEncrypted = 0x4000;
inline constexpr uint16_t kAceSolidArchive = 0x8000;

// What is kept of a header; a longer one is checked whole and the rest dropped.
inline constexpr std::size_t kAceKeptHeader = 2040;

// The archive header's mark, which follows its type and flags.
inline constexpr char kAceMark[] = "**ACE**";
inline constexpr std::size_t kAceMarkSize = sizeof kAceMark - 1;
inline constexpr std::size_t kAceMarkOffset = 7;

struct AceBlock {
  uint64_t position = 0;
  uint16_t size = 0;
  // The header CRC matches, and the header holds its type, its flags and the data size that
  // they announce.
  bool intact = false;
  // The first min(size, kAceKeptHeader) bytes of the header.
  uint8_t header[kAceKeptHeader];
  std::size_t kept = 0;

  uint8_t type() const { return header[0]; }
  uint16_t flags() const;
  // Where the data that the header announces begins, and how long it is.
  uint64_t dataStart() const { return position + 4 + size; }
  uint32_t dataSize() const;
};

enum class AceRead {
  Block,
  // No byte left where a block would begin: the archive's normal end.
  End,
  // A block cut short by the end of the file.
  Truncated,
  Failed,
};

// The block at `position`.
AceRead readAceBlock(const HostServices& services, HostFile file, uint64_t position,
                     AceBlock& block);

// The file header of a file block. The name is the stored one, cut at a NUL or where the kept
// header ends.
struct AceFileHeader {
  uint16_t flags = 0;
  uint32_t packedSize = 0;
  uint32_t size = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t attributes = 0;
  uint32_t crc = 0;
  uint8_t compression = 0;
  uint8_t quality = 0;
  uint16_t parameter = 0;
  const char* name = nullptr;
  std::size_t nameLength = 0;
};
// False when the header is too short for its fields and name.
bool parseAceFileHeader(const AceBlock& block, AceFileHeader& file);

// The archive header as the search for it finds it: the first block whose header CRC matches
// and whose type is the archive's, with its mark seven bytes in, within the first 128 KiB.
struct AceArchiveHeader {
  uint64_t firstBlock = 0;
  uint8_t volume = 0;
  bool solid = false;
};
// 0, kNotThisFormat when there is none, kReadFailed when a read fails.
int findAceArchiveHeader(const HostServices& services, HostFile file, uint64_t fileSize,
                         AceArchiveHeader& found);

}  // namespace ostrya::archive
