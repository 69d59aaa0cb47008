// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/archive_types.h"

namespace ostrya::archive {

// Detection reads a head of this many bytes first, then at most kDeepReadCap bytes in all.
inline constexpr std::size_t kHeadSize = 29;
inline constexpr std::size_t kDeepReadCap = 0x20000;

// The signature tests on the head, in their order; kNoArchive when none matches.
TypeCode testHead(const uint8_t* head);
bool passesArcHeaderTest(const uint8_t* head);

// The tests for formats without a leading signature, on `buffer` of which the first `m` bytes
// may be looked at; `fileSize` is the whole file's.
TypeCode deepTests(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
// A tar header block (512 bytes) whose checksum field ends with a NUL before `m`.
bool passesTarHeaderTest(const uint8_t* block, std::size_t m, uint64_t fileSize);
bool findArjHeader(const uint8_t* buffer, std::size_t m);
bool looksLikeFloppyImage(const uint8_t* buffer, std::size_t m);
// The fields of a FAT12 boot sector (512 bytes) that a floppy disk image must have.
bool passesFloppyBootSectorTest(const uint8_t* boot);
// A volume descriptor (one 2048-byte sector) that is ISO 9660's primary one.
bool isIsoPrimaryDescriptor(const uint8_t* descriptor);

// The portable ASCII cpio header with hexadecimal fields.
inline constexpr std::size_t kCpioHeaderSize = 110;
struct CpioHeader {
  uint32_t mode;
  uint32_t linkCount;
  uint32_t modificationTime;
  uint32_t fileSize;
  uint32_t nameSize;
};
bool parseCpioHeader(const uint8_t* data, std::size_t available, CpioHeader& header);
bool isCpioTrailer(const uint8_t* data, std::size_t available, const CpioHeader& header);

// An archive behind a self-extracting program: the first signature at or after 0 and before
// `m`, in a buffer of `length` bytes.
TypeCode scanForEmbeddedArchive(const uint8_t* buffer, std::size_t m, std::size_t length);
// An LHA header at `at` whose length byte, marks and checksum agree and which lies inside the
// `available` bytes from `at`.
bool lhaHeaderAt(const uint8_t* at, std::size_t available);

}  // namespace ostrya::archive
