// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/host_services.h"

namespace ostrya::archive {

// The tags of the header section that the readers use.
inline constexpr uint32_t kRpmOldFileNames = 1027;
inline constexpr uint32_t kRpmFileSizes = 1028;
inline constexpr uint32_t kRpmFileModes = 1030;
inline constexpr uint32_t kRpmFileTimes = 1034;
inline constexpr uint32_t kRpmPayloadSize = 1046;
inline constexpr uint32_t kRpmFolderIndexes = 1116;
inline constexpr uint32_t kRpmBaseNames = 1117;
inline constexpr uint32_t kRpmFolderNames = 1118;
inline constexpr uint32_t kRpmPayloadCompressor = 1125;

// The bytes of a header structure's intro: magic, reserved word, index count, store size.
inline constexpr std::size_t kRpmHeaderIntroSize = 16;

// The index count and data size of a header structure whose intro is at `intro`; false for a
// wrong magic. Signature and header sections share this form.
bool readRpmHeaderIntro(const uint8_t* intro, uint32_t& indexCount, uint32_t& storeSize);

// 32-bit or 16-bit numbers of a tag, big-endian in the store.
struct RpmNumbers {
  const uint8_t* values = nullptr;
  uint32_t count = 0;
  uint32_t width = 0;
  // 0 beyond the numbers the package gives.
  uint32_t at(uint32_t i) const;
};

// The header section of a package, held in memory. Every value is checked against the data
// store before it is handed out: a package is a stranger's data, and its index may point
// anywhere.
class RpmHeader {
 public:
  explicit RpmHeader(const HostServices& services) : services_(services) {}
  ~RpmHeader();
  RpmHeader(const RpmHeader&) = delete;
  RpmHeader& operator=(const RpmHeader&) = delete;

  // Reads the section at the file's current position, of which at most `bytesLeft` bytes
  // remain in the file; false when it is no header section, is too large, or cannot be read.
  bool read(HostFile file, uint64_t bytesLeft);
  // The bytes the section takes in the file.
  uint64_t sectionSize() const {
    return kRpmHeaderIntroSize + uint64_t{indexCount_} * 16 + storeSize_;
  }

  // Missing, of another type, or reaching past the store: no numbers.
  RpmNumbers numbers32(uint32_t tag) const;
  RpmNumbers numbers16(uint32_t tag) const;
  // A terminated string in the store, or null.
  const char* string(uint32_t tag) const;
  // The first of `count` strings that lie one after another, all terminated in the store;
  // null when the tag is missing or malformed.
  const char* strings(uint32_t tag, uint32_t& count) const;

 private:
  struct IndexEntry {
    uint32_t type;
    uint32_t offset;
    uint32_t count;
  };
  bool find(uint32_t tag, uint32_t type, IndexEntry& entry) const;
  RpmNumbers numbers(uint32_t tag, uint32_t type, uint32_t width) const;

  const HostServices& services_;
  void* block_ = nullptr;
  uint32_t indexCount_ = 0;
  uint32_t storeSize_ = 0;
  const uint8_t* store_ = nullptr;
};

// The strings of a string-array tag, found by number.
class RpmStrings {
 public:
  RpmStrings(const HostServices& services, const RpmHeader& header, uint32_t tag);
  ~RpmStrings();
  RpmStrings(const RpmStrings&) = delete;
  RpmStrings& operator=(const RpmStrings&) = delete;

  // 0 when the tag is missing or malformed.
  uint32_t count() const { return count_; }
  // "" beyond the strings the package gives.
  const char* at(uint32_t i) const;
  bool outOfMemory() const { return outOfMemory_; }

 private:
  const HostServices& services_;
  const char* first_ = nullptr;
  // Where each string begins, counted from the first.
  void* offsets_ = nullptr;
  uint32_t count_ = 0;
  bool outOfMemory_ = false;
};

}  // namespace ostrya::archive
