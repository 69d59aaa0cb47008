// Name patterns are typed by the user and read from configuration files: any bytes may reach
// the matcher. Input: a name, a newline, a pattern list.
#include <cstdint>
#include <cstring>
#include <string>

#include "search/name_match.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string name = input.substr(0, newline).c_str();
  const std::string patterns =
      newline == std::string::npos ? std::string() : input.substr(newline + 1).c_str();

  char expanded[ostrya::kExpansionCapacity];
  ostrya::expandPattern(name.c_str(), patterns.c_str(), expanded);
  ostrya::wildcardMatch(name.c_str(), patterns.c_str());
  ostrya::nameMatches(name.c_str(), patterns.c_str(), ostrya::wildcardMatch);
  return 0;
}
