// POSIX side of the code page services: Windows-1252 case tables.
#include <langinfo.h>
#include <locale.h>

#include <array>

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

}  // namespace

void ansiUpper(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(kCase.upper[static_cast<unsigned char>(text[i])]);
}

void ansiLower(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(kCase.lower[static_cast<unsigned char>(text[i])]);
}

const unsigned char* ansiUpperTable() {
  return kCase.upper.data();
}

int compareIgnoreCase(const char* a, const char* b) {
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  for (;; ++x, ++y) {
    const int cx = kCase.upper[*x];
    const int cy = kCase.upper[*y];
    if (cx != cy) return cx - cy;
    if (cx == 0) return 0;
  }
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

}  // namespace ostrya::platform
