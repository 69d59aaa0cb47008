// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// The bytes that sort `length` bytes of text the way the locale sorts words, without regard to
// case: two keys compared byte by byte as unsigned, the shorter first where one begins the other,
// give the texts' order. Replaces `key`.
void sortKeyIgnoreCase(const char* text, std::size_t length, std::string& key);

// Whether that key is the text through ansiUpperTable, one byte per character, so that a text's
// first characters decide its key's first bytes. The system's sort keys make no such promise.
#ifdef _WIN32
inline constexpr bool kSortKeyIsUpperCase = false;
#else
inline constexpr bool kSortKeyIsUpperCase = true;
#endif

// UTF-16 text, as some archive formats store names, in the character set of file names: the
// ANSI code page on Windows (characters it lacks become '?'), UTF-8 elsewhere. Writes whole
// characters and a terminator into `capacity` bytes and returns the length written.
std::size_t utf16ToFileName(const char16_t* units, std::size_t count, char* out,
                            std::size_t capacity);

// OEM text (code page 850 outside Windows), as DOS-era archive formats store names, in the
// character set of file names, as utf16ToFileName writes it.
std::size_t oemToFileName(const char* text, std::size_t length, char* out, std::size_t capacity);

// UTF-8 text in the character set of file names, as utf16ToFileName writes it; a byte that
// begins no valid sequence becomes '?'.
std::size_t utf8ToFileName(const char* text, std::size_t length, char* out, std::size_t capacity);

// Whether text is valid UTF-8 with at least one character beyond ASCII: bytes of an 8-bit code
// page seldom form such sequences by chance.
bool isMultibyteUtf8(const char* text, std::size_t length);

// While it lives, the C library's multibyte text of the calling thread is UTF-8 (outside
// Windows, where a process's locale is commonly "C", which has no characters beyond ASCII), so
// that a library converting names through it loses none. On Windows it changes nothing.
class Utf8ThreadLocale {
 public:
  Utf8ThreadLocale();
  ~Utf8ThreadLocale();
  Utf8ThreadLocale(const Utf8ThreadLocale&) = delete;
  Utf8ThreadLocale& operator=(const Utf8ThreadLocale&) = delete;

 private:
  void* locale_ = nullptr;
  void* previous_ = nullptr;
};

// The user's thousands separator; '.' when the system names none.
char thousandsSeparator();

}  // namespace ostrya::platform
