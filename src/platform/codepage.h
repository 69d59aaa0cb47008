// portable: no platform headers.
#pragma once

#include <cstddef>

namespace ostrya::platform {

// Case mapping in the ANSI code page (Windows-1252 outside Windows), in place.
void ansiUpper(char* text, std::size_t length);
void ansiLower(char* text, std::size_t length);

// The upper-case form of every byte of the ANSI code page, for tests that compare character by
// character; built once.
const unsigned char* ansiUpperTable();

// Compares two zero-terminated texts the way the locale sorts words, without regard to case:
// negative, zero or positive.
int compareIgnoreCase(const char* a, const char* b);

// The user's thousands separator; '.' when the system names none.
char thousandsSeparator();

}  // namespace ostrya::platform
