#include "zoo_writer.h"

#include "zoo_lzw_encoder.h"

namespace ostrya::testing {
namespace {

constexpr uint32_t kTag = 0xFDC4A7DC;
constexpr uint32_t kArchiveHeaderSize = 42;
constexpr uint32_t kLongEntrySize = 56;
constexpr uint32_t kEntryCrcOffset = 54;
// ZOO's "time zone not known".
constexpr uint8_t kNoTimeZone = 127;

void put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

void patch(std::string& out, std::size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string dataOf(const ZooMember& member) {
  switch (member.method) {
    case 1: {
      const auto packed =
          zooLzwEncode({reinterpret_cast<const uint8_t*>(member.data.data()), member.data.size()});
      return std::string(packed.begin(), packed.end());
    }
    case 2:
      return member.packed;
    default:
      return member.data;
  }
}

// A folder entry whose next pointer and data position are filled in later.
std::string entryOf(const ZooMember& member, uint32_t packedSize) {
  const std::size_t slash = member.name.rfind('/');
  // A name from the root keeps its "/" as the folder.
  const std::string folder =
      slash == std::string::npos ? "" : member.name.substr(0, slash == 0 ? 1 : slash);
  const std::string file = slash == std::string::npos ? member.name : member.name.substr(slash + 1);
  std::string entry;
  put(entry, kTag, 4);
  entry += static_cast<char>(member.shortOnly ? 1 : 2);
  entry += static_cast<char>(member.method);
  put(entry, 0, 4);  // next
  put(entry, 0, 4);  // data
  put(entry, member.dosDate, 2);
  put(entry, member.dosTime, 2);
  put(entry, zooCrc16(member.data), 2);
  put(entry, static_cast<uint32_t>(member.data.size()), 4);
  put(entry, packedSize, 4);
  const bool lzh = member.method == 2;
  entry += static_cast<char>(lzh ? 2 : 1);
  entry += static_cast<char>(member.minorVersion >= 0 ? member.minorVersion : lzh ? 1 : 0);
  entry += static_cast<char>(member.deleted ? 1 : 0);
  entry += '\0';     // file structure
  put(entry, 0, 4);  // comment
  put(entry, 0, 2);  // comment length
  std::string shortName = file.substr(0, 12);
  shortName.resize(13, '\0');
  entry += shortName;
  if (member.shortOnly) return entry;

  // The variable part: the two name lengths (each with its NUL), the names, the system,
  // attributes, version flag and version number.
  std::string variable;
  variable += static_cast<char>(file.size() + 1);
  variable += static_cast<char>(folder.empty() ? 0 : folder.size() + 1);
  variable += file + '\0';
  if (!folder.empty()) variable += folder + '\0';
  put(variable, 0, 2);
  put(variable, 0, 3);
  put(variable, 0, 1);
  put(variable, 0, 2);
  put(entry, static_cast<uint32_t>(variable.size()), 2);
  entry += static_cast<char>(kNoTimeZone);
  put(entry, 0, 2);  // the entry's CRC-16, once its pointers are known
  entry += variable;
  return entry;
}

// The chain's last entry: the tag, type 2 and nothing else.
std::string lastEntry() {
  std::string entry;
  put(entry, kTag, 4);
  entry += '\2';
  entry.resize(kLongEntrySize, '\0');
  entry[kEntryCrcOffset - 1] = static_cast<char>(kNoTimeZone);
  patch(entry, kEntryCrcOffset, zooCrc16(entry), 2);
  return entry;
}

}  // namespace

uint16_t zooCrc16(const std::string& bytes) {
  uint16_t crc = 0;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

std::string zooArchive(const std::vector<ZooMember>& members, ZooLayout* layout) {
  std::string out = "ZOO 2.10 Archive.\x1A";
  out.resize(20, '\0');
  put(out, kTag, 4);
  put(out, kArchiveHeaderSize, 4);
  put(out, static_cast<uint32_t>(-static_cast<int32_t>(kArchiveHeaderSize)), 4);
  out += '\2';  // the version needed for the whole archive: 2.1 for LZH
  out += '\1';
  out += '\1';     // header type
  put(out, 0, 4);  // archive comment
  put(out, 0, 2);  // its length
  out += '\0';     // version data
  ZooLayout where;
  for (const ZooMember& member : members) {
    const std::string data = dataOf(member);
    std::string entry = entryOf(member, static_cast<uint32_t>(data.size()));
    const auto at = static_cast<uint32_t>(out.size());
    const auto dataAt = static_cast<uint32_t>(at + entry.size());
    patch(entry, kZooNextOffset, static_cast<uint32_t>(dataAt + data.size()), 4);
    patch(entry, kZooDataOffset, dataAt, 4);
    // The entry's CRC-16 covers the whole entry with the CRC's own field 0.
    if (!member.shortOnly) patch(entry, kEntryCrcOffset, zooCrc16(entry), 2);
    where.entries.push_back(at);
    where.data.push_back(dataAt);
    out += entry + data;
  }
  where.entries.push_back(static_cast<uint32_t>(out.size()));
  out += lastEntry();
  if (layout) *layout = where;
  return out;
}

}  // namespace ostrya::testing
