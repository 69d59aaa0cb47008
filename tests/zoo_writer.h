// ZOO archives written field by field, as ZOO 2.1 lays them out: the archive header, then for
// each member its folder entry followed by its data, and an empty entry that ends the chain.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrya::testing {

struct ZooMember {
  // The folder part goes in the entry's folder name ('/' separators), the rest in its long
  // name, and its first 12 characters in the short name.
  std::string name;
  std::string data;
  // 0 stored, 1 LZW (compressed here), 2 LZH with `packed` as its data; others are written as
  // stored data with that method number.
  uint8_t method = 1;
  std::string packed;
  uint16_t dosDate = 0x5321;
  uint16_t dosTime = 0x5A6B;
  bool deleted = false;
  // An entry of type 1, as ZOO before 2.0 wrote it: the short name only, no folder.
  bool shortOnly = false;
  // The minor version needed to extract; ZOO writes 1 for LZH and 0 otherwise.
  int minorVersion = -1;
};

// Where the parts of a written archive lie, for tests that damage them.
struct ZooLayout {
  std::vector<uint32_t> entries;  // each member's folder entry, then the chain's last entry
  std::vector<uint32_t> data;     // each member's data
};

std::string zooArchive(const std::vector<ZooMember>& members, ZooLayout* layout = nullptr);

// ZOO's CRC-16 (reflected, polynomial 0xA001, starting at 0), written out here on its own.
uint16_t zooCrc16(const std::string& bytes);

// Offsets inside a folder entry that the damaging tests change.
inline constexpr uint32_t kZooNextOffset = 6;
inline constexpr uint32_t kZooDataOffset = 10;
inline constexpr uint32_t kZooCrcOffset = 18;
inline constexpr uint32_t kZooSizeOffset = 20;
inline constexpr uint32_t kZooPackedOffset = 24;

}  // namespace ostrya::testing
