// portable: no platform headers.
#pragma once

#include <cstddef>

namespace ostrya::platform {

// The separator the system joins paths with; whatever splits a path accepts both.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Every path buffer of the program holds this many characters, terminator included.
inline constexpr std::size_t kMaxPath = 260;

constexpr bool isPathSeparator(char c) {
  return c == '\\' || c == '/';
}

bool isDirectory(const char* path);

}  // namespace ostrya::platform
