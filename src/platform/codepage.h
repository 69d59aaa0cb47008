// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::platform {

// Case mapping in the ANSI code page (Windows-1252 outside Windows), in place.
void ansiUpper(char* text, std::size_t length);
void ansiLower(char* text, std::size_t length);

// The upper-case form of every byte of the ANSI code page, for tests that compare character by
// character; built once.
const unsigned char* ansiUpperTable();

// The OEM form of ANSI text (code page 850 for Windows-1252 outside Windows), `length` bytes.
void ansiToOem(const char* text, char* out, std::size_t length);

// Whether `length` bytes of data read as ANSI text equal the text, as the locale compares
// them (without regard to case when asked).
bool equalText(const uint8_t* data, const uint8_t* text, std::size_t length, bool ignoreCase);

// Whether equalText compares byte by byte (through the case table when ignoring case), so that
// data equal to a text holds, at every offset, a byte of the same upper-case form. The
// system's locale comparison makes no such promise.
#ifdef _WIN32
inline constexpr bool kTextEqualityIsBytewise = false;
#else
inline constexpr bool kTextEqualityIsBytewise = true;
#endif

// Compares two zero-terminated texts the way the locale sorts words, without regard to case:
// negative, zero or positive.
int compareIgnoreCase(const char* a, const char* b);

// UTF-16 text, as some archive formats store names, in the character set of file names: the
// ANSI code page on Windows (characters it lacks become '?'), UTF-8 elsewhere. Writes whole
// characters and a terminator into `capacity` bytes and returns the length written.
std::size_t utf16ToFileName(const char16_t* units, std::size_t count, char* out,
                            std::size_t capacity);

// The user's thousands separator; '.' when the system names none.
char thousandsSeparator();

}  // namespace ostrya::platform
