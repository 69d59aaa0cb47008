// Win32 side of the code page services: the system's own case mapping and word sort.
#include <windows.h>

#include "platform/codepage.h"

namespace ostrya::platform {

void ansiUpper(char* text, std::size_t length) {
  CharUpperBuffA(text, static_cast<DWORD>(length));
}

void ansiLower(char* text, std::size_t length) {
  CharLowerBuffA(text, static_cast<DWORD>(length));
}

void ansiToOem(const char* text, char* out, std::size_t length) {
  CharToOemBuffA(text, out, static_cast<DWORD>(length));
}

bool equalText(const uint8_t* data, const uint8_t* text, std::size_t length, bool ignoreCase) {
  const DWORD flags = NORM_IGNOREKANATYPE | (ignoreCase ? NORM_IGNORECASE : 0);
  return CompareStringA(LOCALE_USER_DEFAULT, flags, reinterpret_cast<const char*>(data),
                        static_cast<int>(length), reinterpret_cast<const char*>(text),
                        static_cast<int>(length)) == CSTR_EQUAL;
}

const unsigned char* ansiUpperTable() {
  static const struct Table {
    unsigned char upper[256];
    Table() {
      for (int c = 0; c < 256; ++c) upper[c] = static_cast<unsigned char>(c);
      // Byte 0 would end the text early; it has no case anyway.
      CharUpperBuffA(reinterpret_cast<char*>(upper + 1), 255);
    }
  } table;
  return table.upper;
}

int compareIgnoreCase(const char* a, const char* b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) - CSTR_EQUAL;
}

char thousandsSeparator() {
  char text[4];
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, text, sizeof text) > 0 &&
      text[0] != '\0')
    return text[0];
  return '.';
}

}  // namespace ostrya::platform
