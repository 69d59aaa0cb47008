// Win32 side of the code page services: the system's own case mapping and word sort.
#include <windows.h>

#include <algorithm>
#include <string>

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

// The system's sort keys compare as CompareStringA does, and keep their order byte by byte. A
// key is seldom longer than a few bytes per character: one call fills it, a second only when the
// first found no room.
void sortKeyIgnoreCase(const char* text, std::size_t length, std::string& key) {
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int sourceLength = static_cast<int>(length);
  key.resize(std::max<std::size_t>(key.capacity(), 8 * length + 64));
  int size = length == 0 ? 0
                         : LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text, sourceLength, key.data(),
                                        static_cast<int>(key.size()));
  if (size == 0 && length != 0) {
    size = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text, sourceLength, nullptr, 0);
    key.resize(static_cast<std::size_t>(size));
    if (size > 0 &&
        LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text, sourceLength, key.data(), size) != size)
      size = 0;
  }
  key.resize(static_cast<std::size_t>(size));
}

char thousandsSeparator() {
  char text[4];
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, text, sizeof text) > 0 &&
      text[0] != '\0')
    return text[0];
  return '.';
}

}  // namespace ostrya::platform

namespace ostrya::platform {

std::size_t utf16ToFileName(const char16_t* units, std::size_t count, char* out,
                            std::size_t capacity) {
  if (capacity == 0) return 0;
  // A double-byte code page needs at most two bytes per unit.
  std::string converted(count * 2, '\0');
  const int length = count == 0
                         ? 0
                         : WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(units),
                                               static_cast<int>(count), converted.data(),
                                               static_cast<int>(converted.size()), "?", nullptr);
  std::size_t kept = 0;
  while (kept < static_cast<std::size_t>(length)) {
    const std::size_t step = IsDBCSLeadByte(static_cast<BYTE>(converted[kept])) ? 2 : 1;
    if (kept + step > capacity - 1) break;
    kept += step;
  }
  converted.copy(out, kept);
  out[kept] = '\0';
  return kept;
}

std::size_t oemToFileName(const char* text, std::size_t length, char* out, std::size_t capacity) {
  std::wstring units(length, L'\0');
  const int count = length == 0 ? 0
                                : MultiByteToWideChar(CP_OEMCP, 0, text, static_cast<int>(length),
                                                      units.data(), static_cast<int>(length));
  return utf16ToFileName(reinterpret_cast<const char16_t*>(units.data()),
                         static_cast<std::size_t>(count), out, capacity);
}

// The Windows build's libraries convert names through the system's code pages, not the C
// library's locale.
Utf8ThreadLocale::Utf8ThreadLocale() = default;
Utf8ThreadLocale::~Utf8ThreadLocale() = default;

}  // namespace ostrya::platform
