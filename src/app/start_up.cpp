// portable: no platform headers.
#include "app/start_up.h"

namespace ostrya {

// Only the leading digits count, as a partner writes its handle followed by whatever it likes;
// they wrap around rather than overflow, as window handles are 32-bit values.
FirstArgument readFirstArgument(const std::string& argument) {
  FirstArgument result;
  unsigned long value = 0;
  for (char c : argument) {
    if (c < '0' || c > '9') break;
    value = (value * 10 + static_cast<unsigned long>(c - '0')) & 0xFFFFFFFFul;
  }
  if (value != 0)
    result.partnerWindow = value;
  else
    result.lookIn = argument;
  return result;
}

std::intptr_t widenWindowHandle(unsigned long handle32) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(handle32));
}

std::string rootOfPath(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
  if (path.rfind("\\\\", 0) != 0) return std::string();
  const std::size_t share = path.find('\\', 2);
  if (share == std::string::npos || share + 1 >= path.size()) return std::string();
  const std::size_t end = path.find('\\', share + 1);
  return path.substr(0, end) + "\\";
}

}  // namespace ostrya
