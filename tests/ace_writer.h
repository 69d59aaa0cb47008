// ACE archives written by the test tree, for the reader's tests and the ACE fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ace_lz77_encoder.h"

namespace ostrya::testing {

// A DOS date and time in one word, the date in the upper half, as ACE stores them.
constexpr uint32_t aceTime(unsigned year, unsigned month, unsigned day, unsigned hour,
                           unsigned minute, unsigned second) {
  return (year - 1980) << 25 | month << 21 | day << 16 | hour << 11 | minute << 5 | second / 2;
}

inline constexpr uint8_t kAceStoredType = 0;
inline constexpr uint8_t kAceLz77Type = 1;
inline constexpr uint16_t kAceEncryptedFlag = 0x4000;

struct AceMember {
  // Stored as given: ACE separates folders with '\'.
  std::string name;
  std::string data;
  // 0 stored, 1 LZ77; data of any other type is stored as given.
  uint8_t type = kAceLz77Type;
  uint8_t quality = 3;
  // The LZ77 dictionary: 2^(10 + the low four bits).
  uint16_t parameter = 5;
  uint32_t time = aceTime(2021, 3, 4, 5, 6, 8);
  uint32_t attributes = 0x20;
  uint16_t flags = 0;
  // Header bytes after the name, which readers pass over. unace 1.2b as Debian builds it reads
  // no file header that ends right after the name: 4 such bytes make one it reads.
  std::string afterName;
  // What goes into the archive in place of the packed data, the header CRC and the data CRC.
  const std::string* packedInstead = nullptr;
  bool wrongHeaderCrc = false;
  bool wrongCrc = false;
  // Symbols per LZ77 block.
  std::size_t blockSymbols = 32767;
};

// A folder entry: no data, the folder attribute.
inline AceMember aceFolder(const std::string& name, uint32_t time = aceTime(2023, 6, 1, 0, 0, 0)) {
  AceMember member;
  member.name = name;
  member.type = kAceStoredType;
  member.time = time;
  member.attributes = 0x10;
  return member;
}

struct AceArchive {
  // Bytes before the archive header, as a self-extracting program puts them.
  std::string stub;
  uint8_t volume = 0;
  // Every LZ77 entry continues the dictionary of the entries before it.
  bool solid = false;
  uint32_t time = aceTime(2024, 1, 1, 0, 0, 0);
  std::vector<AceMember> members;
};

std::string aceArchive(const AceArchive& archive);

// The bytes of the LZ77 data `aceArchive` writes for a member whose entries before it in a
// solid archive hold `history`.
std::string aceLz77Data(const AceMember& member, const std::string& history = "");

}  // namespace ostrya::testing
