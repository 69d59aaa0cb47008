// A ZIP file written field by field, for tests and tools that need entries no packaged writer
// makes.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ostrya::testing {

// One member of an archive a test writes: stored data unless a method and packed bytes say
// otherwise.
struct Member {
  std::string name;
  std::string data;
  uint16_t flags = 0;
  std::string centralExtra;
  uint16_t method = 0;
  std::string packed;
  uint16_t dosDate = 0x5A21;  // 2025-01-01
  uint16_t dosTime = 0x6000;  // 12:00:00
};

inline void put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8 & 0xFF);
}
inline void put32(std::string& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

inline uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string zipOf(const std::vector<Member>& members, const std::string& prefix = "") {
  std::string local = prefix;
  std::string central;
  for (const Member& member : members) {
    const std::string& packed = member.method == 0 ? member.data : member.packed;
    const auto offset = static_cast<uint32_t>(local.size() - prefix.size());
    for (std::string* out : {&local, &central}) {
      const bool isCentral = out == &central;
      put32(*out, isCentral ? 0x02014b50 : 0x04034b50);
      if (isCentral) put16(*out, 20);
      put16(*out, 20);
      put16(*out, member.flags);
      put16(*out, member.method);
      put16(*out, member.dosTime);
      put16(*out, member.dosDate);
      put32(*out, crcOf(member.data));
      put32(*out, static_cast<uint32_t>(packed.size()));
      put32(*out, static_cast<uint32_t>(member.data.size()));
      put16(*out, static_cast<uint32_t>(member.name.size()));
      put16(*out, isCentral ? static_cast<uint32_t>(member.centralExtra.size()) : 0);
      if (isCentral) {
        put16(*out, 0);  // comment
        put16(*out, 0);  // disk
        put16(*out, 0);  // internal attributes
        put32(*out, 0x20);
        put32(*out, offset);
      }
      *out += member.name;
      if (isCentral) *out += member.centralExtra;
    }
    local += packed;
  }
  std::string end;
  put32(end, 0x06054b50);
  put32(end, 0);
  put16(end, static_cast<uint32_t>(members.size()));
  put16(end, static_cast<uint32_t>(members.size()));
  put32(end, static_cast<uint32_t>(central.size()));
  put32(end, static_cast<uint32_t>(local.size() - prefix.size()));
  put16(end, 0);
  return local + central + end;
}

}  // namespace ostrya::testing
