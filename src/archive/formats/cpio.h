// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/archive_types.h"
#include "archive/detection.h"
#include "archive/entry_extraction.h"
#include "archive/host_services.h"

namespace ostrya::archive {

// Lists a portable ASCII cpio archive: 0 at the trailer or the end of the file, kNotThisFormat
// for a file too short for a header or a header that does not parse, kReadFailed when a read
// fails.
int listCpio(const char* path, ListingContext* context, EntryCallback callback,
             const HostServices& services, void* user);
int extractCpio(ExtractionRequest& request, const HostServices& services);

// The portable ASCII header: a magic and thirteen 8-digit hexadecimal fields.
inline constexpr std::size_t kCpioHeaderSize = 110;
struct CpioHeader {
  uint32_t mode;
  uint32_t linkCount;
  uint32_t modificationTime;
  uint32_t fileSize;
  uint32_t nameSize;
};

// A member of a "070701" or "070702" archive as it lies in a buffer.
struct CpioMember {
  CpioHeader header;
  // The stored name's bytes that the buffer holds, up to its NUL; not terminated.
  const char* storedName = nullptr;
  std::size_t storedNameLength = 0;
  // Whether the buffer holds the whole stored name.
  bool nameComplete = false;
  // Counted from the header's start, each rounded up to 4 bytes as the format pads them.
  uint64_t dataOffset = 0;
  uint64_t nextOffset = 0;
};

enum class CpioHeaderKind { Member, Trailer, NotCpio };

// The header at the start of the `available` bytes of `data`.
CpioHeaderKind readCpioHeader(const uint8_t* data, std::size_t available, CpioMember& member);

// A member's header at the start, not the trailer's.
bool looksLikeCpio(const uint8_t* buffer, std::size_t m, uint64_t fileSize);
inline constexpr DetectionTests kCpioDetection{nullptr, looksLikeCpio, nullptr};

// Longer names are kept cut: no path buffer of the program holds them anyway.
inline constexpr std::size_t kCpioLongestName = 4095;

// A member as the readers report it.
struct CpioEntry {
  // '\' separators, without a leading ".\" or "\"; a folder's name ends with a separator, so
  // that the output rule knows it as one (listings leave it off).
  char name[kCpioLongestName + 2];
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t attributes = 0;
  uint32_t size = 0;
  bool regularFile = false;

  EntryFacts facts() const;
  // The name for a listing: without the folder's separator, cut to the path buffer.
  void listingName(char* out, std::size_t capacity, const HostServices& services) const;
};

CpioEntry& describeCpioMember(const CpioMember& member, const HostServices& services,
                              CpioEntry& entry);

}  // namespace ostrya::archive
