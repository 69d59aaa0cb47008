// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/host_services.h"

namespace ostrya::archive {

inline constexpr uint16_t kArjMarker = 0xEA60;
// The largest basic header ARJ writes; larger sizes are damage.
inline constexpr std::size_t kArjLargestHeader = 2600;

// ARJ's host systems and file types as far as the readers tell them apart.
inline constexpr uint8_t kArjUnixHost = 2;
inline constexpr uint8_t kArjBinaryFile = 0;
inline constexpr uint8_t kArjTextFile = 1;
inline constexpr uint8_t kArjMainHeader = 2;
inline constexpr uint8_t kArjFolder = 3;
// Flag bits.
inline constexpr uint8_t kArjGarbled = 0x01;
inline constexpr uint8_t kArjSlashSeparators = 0x10;

// The fields of a basic header that the readers use.
struct ArjHeader {
  uint8_t archiverVersion = 0;
  uint8_t minimumVersion = 0;
  uint8_t hostSystem = 0;
  uint8_t flags = 0;
  uint8_t method = 0;
  uint8_t fileType = 0;
  // DOS date in the high half, DOS time in the low.
  uint32_t modified = 0;
  uint32_t compressedSize = 0;
  uint32_t originalSize = 0;
  uint32_t fileCrc = 0;
  uint16_t attributes = 0;
  // The stored name up to its NUL, terminated.
  char name[kArjLargestHeader + 1] = "";
  // Where the header's data begins, after its extended headers.
  uint64_t dataOffset = 0;
};

enum class ArjRead {
  Header,
  // The end marker, or the end of the file where a header would begin.
  End,
  // No marker where a header must be.
  NotArj,
  // A header whose size, CRC-32 or extended headers do not hold, or that the file cuts short.
  Damaged,
  ReadFailed,
};

// The header at `offset` of a file of `fileSize` bytes.
ArjRead readArjHeader(const HostServices& services, HostFile file, uint64_t fileSize,
                      uint64_t offset, ArjHeader& header);

// The offset of the main header: kDone, kNotThisFormat when there is none, kReadFailed, or
// kSetUpFailed without memory for the scan.
int findArjMainHeader(const HostServices& services, HostFile file, uint64_t fileSize,
                      uint64_t& offset);

}  // namespace ostrya::archive
