// POSIX side of the code page services: Windows-1252 case tables.
#include <langinfo.h>
#include <locale.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/codepage.h"

namespace ostrya::platform {
namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper;
  std::array<unsigned char, 256> lower;
};

// Windows-1252 letters: ASCII, the Latin-1 block (but for the multiplication and division signs,
// and sharp s and y with diaeresis, which have no partner in the block), and the pairs that
// Windows placed in 0x80-0x9F.
constexpr CaseTables makeCaseTables() {
  CaseTables t{};
  for (int c = 0; c < 256; ++c) t.upper[c] = t.lower[c] = static_cast<unsigned char>(c);
  auto pair = [&t](int upper, int lower) {
    t.upper[lower] = static_cast<unsigned char>(upper);
    t.lower[upper] = static_cast<unsigned char>(lower);
  };
  for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) pair(c, c + 32);
  pair(0x8A, 0x9A);  // S caron
  pair(0x8C, 0x9C);  // OE
  pair(0x8E, 0x9E);  // Z caron
  pair(0x9F, 0xFF);  // Y diaeresis
  return t;
}

constexpr CaseTables kCase = makeCaseTables();

// Windows-1252 to code page 850 from 0x80 on: the same character where 850 has it, else the
// system's best fit (a plain letter, a look-alike sign, or '?').
constexpr unsigned char kOemHigh[128] = {
    0x3F, 0x3F, 0x27, 0x9F, 0x22, 0x2E, 0xC5, 0xCE, 0x5E, 0x25, 0x53, 0x3C, 0x4F, 0x3F, 0x5A, 0x3F,
    0x3F, 0x27, 0x27, 0x22, 0x22, 0x07, 0x2D, 0x2D, 0x7E, 0x54, 0x73, 0x3E, 0x6F, 0x3F, 0x7A, 0x59,
    0xFF, 0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5, 0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA, 0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92, 0x80, 0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8,
    0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E, 0x9D, 0xEB, 0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1,
    0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98,
};

// Code page 850 from 0x80 on, as Unicode.
constexpr char16_t kOemToUnicode[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

}  // namespace

void ansiUpper(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(kCase.upper[static_cast<unsigned char>(text[i])]);
}

void ansiLower(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(kCase.lower[static_cast<unsigned char>(text[i])]);
}

void ansiToOem(const char* text, char* out, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    out[i] = static_cast<char>(c < 0x80 ? c : kOemHigh[c - 0x80]);
  }
}

bool equalText(const uint8_t* data, const uint8_t* text, std::size_t length, bool ignoreCase) {
  if (!ignoreCase) return std::memcmp(data, text, length) == 0;
  for (std::size_t i = 0; i < length; ++i)
    if (kCase.upper[data[i]] != kCase.upper[text[i]]) return false;
  return true;
}

const unsigned char* ansiUpperTable() {
  return kCase.upper.data();
}

void sortKeyIgnoreCase(const char* text, std::size_t length, std::string& key) {
  key.resize(length);
  for (std::size_t i = 0; i < length; ++i)
    key[i] = static_cast<char>(kCase.upper[static_cast<unsigned char>(text[i])]);
}

char thousandsSeparator() {
  // The user's numeric locale, without changing the process locale.
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  char separator = '.';
  if (user != static_cast<locale_t>(0)) {
    const char* text = nl_langinfo_l(THOUSEP, user);
    if (text && text[0] != '\0' && text[1] == '\0') separator = text[0];
    freelocale(user);
  }
  return separator;
}

std::size_t utf16ToFileName(const char16_t* units, std::size_t count, char* out,
                            std::size_t capacity) {
  if (capacity == 0) return 0;
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) {
    uint32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = '?';  // half a pair has no character
    }
    char encoded[4];
    std::size_t size;
    if (code < 0x80) {
      encoded[0] = static_cast<char>(code);
      size = 1;
    } else if (code < 0x800) {
      encoded[0] = static_cast<char>(0xC0 | (code >> 6));
      encoded[1] = static_cast<char>(0x80 | (code & 0x3F));
      size = 2;
    } else if (code < 0x10000) {
      encoded[0] = static_cast<char>(0xE0 | (code >> 12));
      encoded[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      encoded[2] = static_cast<char>(0x80 | (code & 0x3F));
      size = 3;
    } else {
      encoded[0] = static_cast<char>(0xF0 | (code >> 18));
      encoded[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      encoded[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      encoded[3] = static_cast<char>(0x80 | (code & 0x3F));
      size = 4;
    }
    if (length + size > capacity - 1) break;
    std::memcpy(out + length, encoded, size);
    length += size;
  }
  out[length] = '\0';
  return length;
}

std::size_t oemToFileName(const char* text, std::size_t length, char* out, std::size_t capacity) {
  std::u16string units(length, u'\0');
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    units[i] = c < 0x80 ? c : kOemToUnicode[c - 0x80];
  }
  return utf16ToFileName(units.data(), units.size(), out, capacity);
}

Utf8ThreadLocale::Utf8ThreadLocale() {
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 == static_cast<locale_t>(nullptr)) return;
  locale_ = utf8;
  previous_ = uselocale(utf8);
}

Utf8ThreadLocale::~Utf8ThreadLocale() {
  if (locale_ == nullptr) return;
  uselocale(static_cast<locale_t>(previous_));
  freelocale(static_cast<locale_t>(locale_));
}

}  // namespace ostrya::platform
