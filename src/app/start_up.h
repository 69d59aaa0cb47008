// portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace ostrya {

// What the first command-line argument asks for: a partner program's window handle (a leading
// decimal number that is not 0), or a folder to look in (anything else; used only when it
// exists).
struct FirstArgument {
  unsigned long partnerWindow = 0;
  std::string lookIn;
};
FirstArgument readFirstArgument(const std::string& argument);

// A window handle handed over as a 32-bit number, widened to the handle's full width the way
// Windows widens handles shared between 32-bit and 64-bit programs: by sign extension.
std::intptr_t widenWindowHandle(unsigned long handle32);

// Where the first search looks when nothing else is known: the root of the drive that holds
// `path` (C:\ for C:\WINDOWS), or for a network path its server and share. Empty for a path
// that names neither.
std::string rootOfPath(const std::string& path);

}  // namespace ostrya
