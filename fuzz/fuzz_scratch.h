// A name part that differs between fuzzing processes and always has the same length: the length
// of a scratch path decides how often the path code loops, which is coverage, so a varying
// length could make the same seeded run take another way.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace ostrya::fuzzing {

inline std::string scratchSuffix() {
  char text[17];
  std::snprintf(
      text, sizeof text, "%016llx",
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return text;
}

}  // namespace ostrya::fuzzing
