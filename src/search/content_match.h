// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "regex/regex_search.h"

namespace ostrya {

// Hexadecimal byte strings, as typed in the containing-text field.
// Every character that is neither a blank nor a hexadecimal digit becomes a blank.
void hexClean(char* text);
// Digits pair up from the left within each blank-separated group ("ABC" gives AB 0C);
// returns the number of bytes written (at most half the text's length, rounded up).
std::size_t hexParse(const char* text, uint8_t* out);
// "4D 5A " for the bytes 4D 5A.
std::string hexFormat(const uint8_t* bytes, std::size_t count);

// Bytes that end a word: NUL, tab to carriage return, blank, the ASCII punctuation but for the
// underscore, and 0xB4.
bool isWordDelimiter(uint8_t byte);

// A small set of byte values, tested one vector of bytes at a time.
class ByteSet {
 public:
  void add(uint8_t byte) {
    if (member_[byte]) return;
    member_[byte] = true;
    values_[count_++] = byte;
  }
  bool contains(uint8_t byte) const { return member_[byte]; }
  int count() const { return count_; }
  uint8_t value(int i) const { return values_[i]; }

 private:
  bool member_[256] = {};
  uint8_t values_[8] = {};
  int count_ = 0;
};

// What a run looks for inside files, prepared once.
struct ContentQuery {
  enum class Mode { Hex, Regex, WholeWord, Text };
  Mode mode = Mode::Text;
  // The containing text as typed (ANSI), and the bytes looked for: its OEM form, or in hex mode
  // the parsed bytes.
  uint8_t text[1024] = {};
  uint8_t searchBytes[1024] = {};
  uint32_t length = 0;  // 0: no content test
  // The bytes a match can start with: upper- and lower-case ANSI, then their OEM forms.
  uint8_t firstBytes[4] = {};
  bool ignoreCase = true;
  // Whether the OEM form differs from the text, so that comparing both is worth it.
  bool oemDiffers = false;
  const RegexPattern* pattern = nullptr;
  // Where a match can start: a byte of the first set, and, at the second offset when that is
  // not 0, a byte of the second set.
  ByteSet candidateFirst;
  ByteSet candidateSecond;
  std::size_t candidateOffset = 0;
};

// Prepares the query for a containing text (at most 1023 characters) and the run's options.
// The pattern is the run's compiled expression (used in regular-expression mode).
ContentQuery prepareContent(const char* text, uint32_t options, const RegexPattern* pattern);

// A stretch of a file's contents. A file too large to view whole is searched in windows that
// overlap; a window that does not start the file knows the byte before it.
struct ContentWindow {
  const uint8_t* data;
  std::size_t length;
  bool startsFile;
  bool endsFile;
  uint8_t before;
};

// Whether the window holds a match of the query; an expression may reach a limit of the
// library instead. Regular-expression queries are matched against whole files only.
PatternSearch searchContent(const ContentQuery& query, const ContentWindow& window);

inline bool matchesContent(const ContentQuery& query, const ContentWindow& window) {
  return searchContent(query, window) == PatternSearch::Found;
}

}  // namespace ostrya
