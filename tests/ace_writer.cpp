#include "ace_writer.h"

#include <zlib.h>

namespace ostrya::testing {
namespace {

constexpr uint16_t kHasData = 0x0001;
constexpr uint16_t kSolid = 0x8000;
constexpr uint8_t kArchiveType = 0;
constexpr uint8_t kFileType = 1;
// The versions an ACE 1.0 archive states: needed to extract, and made by.
constexpr uint8_t kVersion = 10;
constexpr uint8_t kHostWin32 = 2;

void le16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8 & 0xFF);
}
void le32(std::string& out, uint32_t value) {
  le16(out, value & 0xFFFF);
  le16(out, value >> 16);
}

// The CRC-32 register, never complemented: the header CRC is its lower half.
uint32_t rawCrc(const std::string& bytes) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                     static_cast<uInt>(bytes.size()))) ^
         0xFFFFFFFFu;
}

std::string block(const std::string& header, bool wrongCrc) {
  std::string out;
  le16(out, (rawCrc(header) ^ (wrongCrc ? 0x5A5A : 0)) & 0xFFFF);
  le16(out, static_cast<uint32_t>(header.size()));
  return out + header;
}

}  // namespace

std::string aceLz77Data(const AceMember& member, const std::string& history) {
  AceLz77Options options;
  options.dictionaryBits = 10 + (member.parameter & 15);
  options.blockSymbols = member.blockSymbols;
  const std::vector<uint8_t> packed = aceCompress(member.data, options, history);
  return std::string(packed.begin(), packed.end());
}

std::string aceArchive(const AceArchive& archive) {
  std::string header;
  header += static_cast<char>(kArchiveType);
  le16(header, archive.solid ? kSolid : 0);
  header += "**ACE**";
  header += static_cast<char>(kVersion);
  header += static_cast<char>(kVersion);
  header += static_cast<char>(kHostWin32);
  header += static_cast<char>(archive.volume);
  le32(header, archive.time);
  header += std::string(8, '\0');
  header += '\0';  // no authenticity text
  std::string out = archive.stub + block(header, false);

  std::string history;
  for (const AceMember& member : archive.members) {
    std::string packed;
    if (member.packedInstead)
      packed = *member.packedInstead;
    else if (member.type == kAceLz77Type)
      packed = aceLz77Data(member, archive.solid ? history : "");
    else
      packed = member.data;
    if (archive.solid) history += member.data;

    std::string file;
    file += static_cast<char>(kFileType);
    le16(file, kHasData | member.flags | (archive.solid ? kSolid : 0));
    le32(file, static_cast<uint32_t>(packed.size()));
    le32(file, static_cast<uint32_t>(member.data.size()));
    le32(file, member.time);
    le32(file, member.attributes);
    le32(file, rawCrc(member.data) ^ (member.wrongCrc ? 1u : 0u));
    file += static_cast<char>(member.type);
    file += static_cast<char>(member.quality);
    le16(file, member.type == kAceLz77Type ? member.parameter : 0);
    le16(file, 0);
    le16(file, static_cast<uint32_t>(member.name.size()));
    file += member.name + member.afterName;
    out += block(file, member.wrongHeaderCrc) + packed;
  }
  return out;
}

}  // namespace ostrya::testing
