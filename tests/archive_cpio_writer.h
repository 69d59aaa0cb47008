#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ostrya::testing {

inline constexpr uint32_t kCpioFileMode = 0100644;
inline constexpr uint32_t kCpioFolderMode = 040755;

// A "070701" member as GNU cpio writes it: header and name, then the data, each padded to 4.
inline std::string newcMember(uint32_t mode, const std::string& name,
                              const std::string& data = "") {
  const uint32_t fields[13] = {1,
                               mode,
                               0,
                               0,
                               1,
                               1600000000,
                               static_cast<uint32_t>(data.size()),
                               0,
                               0,
                               0,
                               0,
                               static_cast<uint32_t>(name.size() + 1),
                               0};
  std::string member = "070701";
  for (uint32_t field : fields) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", field);
    member += hex;
  }
  member += name + '\0';
  member.resize((member.size() + 3) / 4 * 4, '\0');
  return member + data + std::string((4 - data.size() % 4) % 4, '\0');
}

inline std::string newcTrailer() {
  return newcMember(0, "TRAILER!!!");
}

}  // namespace ostrya::testing
