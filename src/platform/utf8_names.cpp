// portable: no platform headers.
#include <string>

#include "platform/codepage.h"

namespace ostrya::platform {
namespace {

// The code point of the sequence at `at`, or -1 when none begins there; `size` receives its
// length. Overlong forms and surrogates are no sequence.
int32_t decodeUtf8(const unsigned char* at, std::size_t left, std::size_t& size) {
  const unsigned char lead = at[0];
  size = 1;
  if (lead < 0x80) return lead;
  int32_t code;
  int32_t least;
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2, code = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3, code = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4, code = lead & 0x07, least = 0x10000;
  } else {
    return -1;
  }
  if (size > left) return size = 1, -1;
  for (std::size_t i = 1; i < size; ++i) {
    if ((at[i] & 0xC0) != 0x80) return size = 1, -1;
    code = code << 6 | (at[i] & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return size = 1, -1;
  return code;
}

}  // namespace

bool isMultibyteUtf8(const char* text, std::size_t length) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  bool beyondAscii = false;
  for (std::size_t at = 0; at < length;) {
    std::size_t size = 1;
    if (decodeUtf8(bytes + at, length - at, size) < 0) return false;
    beyondAscii |= size > 1;
    at += size;
  }
  return beyondAscii;
}

std::size_t utf8ToFileName(const char* text, std::size_t length, char* out, std::size_t capacity) {
  std::u16string units;
  units.reserve(length);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  for (std::size_t at = 0; at < length;) {
    std::size_t size = 1;
    const int32_t code = decodeUtf8(bytes + at, length - at, size);
    at += size;
    if (code < 0) {
      units += u'?';
    } else if (code >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  return utf16ToFileName(units.data(), units.size(), out, capacity);
}

}  // namespace ostrya::platform
