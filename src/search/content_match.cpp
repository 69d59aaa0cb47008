// portable: no platform headers.
#include "search/content_match.h"

#include <array>
#include <cstring>

#include "platform/codepage.h"
#include "regex/regex_search.h"
#include "search/search_options.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrya {
namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

uint8_t hexValue(char c) {
  if (c <= '9') return static_cast<uint8_t>(c - '0');
  return static_cast<uint8_t>((c | 0x20) - 'a' + 10);
}

constexpr std::array<bool, 256> makeDelimiterTable() {
  std::array<bool, 256> table{};
  const auto mark = [&table](int from, int to) {
    for (int c = from; c <= to; ++c) table[c] = true;
  };
  mark(0, 0);
  mark(9, 13);
  mark(32, 47);
  mark(58, 64);
  mark(91, 94);
  mark(96, 96);
  mark(123, 126);
  mark(0xB4, 0xB4);
  return table;
}

constexpr std::array<bool, 256> kDelimiter = makeDelimiterTable();

#if defined(__SSE2__)
// A mask bit for every byte of the 16 at `at` that is in the set.
int setMask(const ByteSet& set, const __m128i (&wanted)[8], const uint8_t* at) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  __m128i any = _mm_cmpeq_epi8(block, wanted[0]);
  for (int i = 1; i < set.count(); ++i) any = _mm_or_si128(any, _mm_cmpeq_epi8(block, wanted[i]));
  return _mm_movemask_epi8(any);
}
#endif

// Finds the positions where a match can start: the byte there is in the first set and, where
// a second offset is known, the byte at that offset is in the second set. Only those positions
// reach the full comparison.
class CandidateScanner {
 public:
  CandidateScanner(const ByteSet& first, const ByteSet& second, std::size_t secondOffset)
      : first_(first), second_(second), offset_(secondOffset) {
#if defined(__SSE2__)
    for (int i = 0; i < first_.count(); ++i)
      firstWanted_[i] = _mm_set1_epi8(static_cast<char>(first_.value(i)));
    for (int i = 0; i < second_.count(); ++i)
      secondWanted_[i] = _mm_set1_epi8(static_cast<char>(second_.value(i)));
#endif
  }

  // The first candidate in [at, stop); stop when there is none. Bytes up to
  // stop - 1 + secondOffset may be read.
  const uint8_t* next(const uint8_t* at, const uint8_t* stop) const {
#if defined(__SSE2__)
    for (; stop - at >= 16; at += 16) {
      int mask = setMask(first_, firstWanted_, at);
      if (mask != 0 && offset_ != 0) mask &= setMask(second_, secondWanted_, at + offset_);
      if (mask != 0) return at + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    for (; at < stop; ++at)
      if (first_.contains(*at) && (offset_ == 0 || second_.contains(at[offset_]))) return at;
    return stop;
  }

 private:
  const ByteSet& first_;
  const ByteSet& second_;
  std::size_t offset_;
#if defined(__SSE2__)
  __m128i firstWanted_[8];
  __m128i secondWanted_[8];
#endif
};

// How often a byte turns up in text and source files, roughly: the rarer, the fewer false
// candidates it lets through. Letters count for both cases.
int commonness(uint8_t byte) {
  static constexpr char kByFrequency[] = " etaoinsrlcdhupmfgb_ywvk.,;()x=*jqz";
  const char lower = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
  const char* at = lower != 0 ? std::strchr(kByFrequency, lower) : nullptr;
  return at ? static_cast<int>(sizeof kByFrequency - (at - kByFrequency)) : 0;
}

// The offset (1 .. length - 1) of the text's rarest byte; 0 for a one-byte text.
std::size_t rarestOffset(const uint8_t* text, std::size_t length) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < length; ++i)
    if (best == 0 || commonness(text[i]) < commonness(text[best])) best = i;
  return best;
}

// The bytes that data can hold at an offset and still compare equal to the text's byte there,
// or to its OEM form's.
void addEqualBytes(ByteSet& set, uint8_t textByte, uint8_t oemByte, bool ignoreCase) {
  if (!ignoreCase) {
    set.add(textByte);
    set.add(oemByte);
    return;
  }
  const unsigned char* upper = platform::ansiUpperTable();
  for (int c = 0; c < 256; ++c)
    if (upper[c] == upper[textByte] || upper[c] == upper[oemByte]) set.add(static_cast<uint8_t>(c));
}

bool hexMatches(const ContentQuery& query, const ContentWindow& window) {
  const CandidateScanner scanner(query.candidateFirst, query.candidateSecond,
                                 query.candidateOffset);
  const uint8_t* stop = window.data + window.length - query.length + 1;
  for (const uint8_t* p = scanner.next(window.data, stop); p < stop; p = scanner.next(p + 1, stop))
    if (std::memcmp(p, query.searchBytes, query.length) == 0) return true;
  return false;
}

// Plain and whole-word text: a candidate's bytes are compared as ANSI text, then in their OEM
// form (a DOS text file). A whole word is not part of a longer word: before it lies the start
// of the file or a delimiter, unless the text itself begins with one ("#include", ".net"), and
// likewise after it.
bool textMatches(const ContentQuery& query, const ContentWindow& window, bool wholeWord) {
  const CandidateScanner scanner(query.candidateFirst, query.candidateSecond,
                                 query.candidateOffset);
  const uint8_t* data = window.data;
  const uint8_t* end = data + window.length;
  const uint8_t* stop = end - query.length + 1;  // one past the last position
  for (const uint8_t* p = scanner.next(data, stop); p < stop; p = scanner.next(p + 1, stop)) {
    if (wholeWord && !kDelimiter[*p]) {
      const uint8_t previous = p == data ? window.before : p[-1];
      if (!(p == data && window.startsFile) && !kDelimiter[previous]) continue;
    }
    if (!platform::equalText(p, query.text, query.length, query.ignoreCase) &&
        !(query.oemDiffers &&
          platform::equalText(p, query.searchBytes, query.length, query.ignoreCase)))
      continue;
    if (wholeWord) {
      const uint8_t* after = p + query.length;
      if (!kDelimiter[after[-1]] && (after == end ? !window.endsFile : !kDelimiter[*after]))
        continue;
    }
    return true;
  }
  return false;
}

}  // namespace

void hexClean(char* text) {
  for (char* c = text; *c; ++c)
    if (*c != ' ' && !isHexDigit(*c)) *c = ' ';
}

std::size_t hexParse(const char* text, uint8_t* out) {
  std::size_t count = 0;
  for (const char* c = text; *c;) {
    if (!isHexDigit(*c)) {  // a blank, or anything the cleaning would have made one
      ++c;
      continue;
    }
    uint8_t value = hexValue(*c++);
    if (isHexDigit(*c)) value = static_cast<uint8_t>(value << 4 | hexValue(*c++));
    out[count++] = value;
  }
  return count;
}

std::string hexFormat(const uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
    text += ' ';
  }
  return text;
}

bool isWordDelimiter(uint8_t byte) {
  return kDelimiter[byte];
}

ContentQuery prepareContent(const char* text, uint32_t options, const RegexPattern* pattern) {
  ContentQuery query;
  const std::size_t length = std::min(std::strlen(text), sizeof query.text - 1);
  std::memcpy(query.text, text, length);
  query.pattern = pattern;
  query.ignoreCase = (options & kOptCaseSensitive) == 0;
  if ((options & kOptHex) != 0) {
    query.mode = ContentQuery::Mode::Hex;
    query.length = static_cast<uint32_t>(
        hexParse(reinterpret_cast<const char*>(query.text), query.searchBytes));
    if (query.length != 0) {
      query.candidateFirst.add(query.searchBytes[0]);
      query.candidateOffset = rarestOffset(query.searchBytes, query.length);
      query.candidateSecond.add(query.searchBytes[query.candidateOffset]);
    }
    return query;
  }
  query.mode = (options & kOptRegex) != 0       ? ContentQuery::Mode::Regex
               : (options & kOptWholeWord) != 0 ? ContentQuery::Mode::WholeWord
                                                : ContentQuery::Mode::Text;
  query.length = static_cast<uint32_t>(length);
  if (length == 0) return query;
  platform::ansiToOem(text, reinterpret_cast<char*>(query.searchBytes), length);
  query.oemDiffers = std::memcmp(query.text, query.searchBytes, length) != 0;
  char first[2] = {text[0], text[0]};
  if (query.ignoreCase) {
    platform::ansiUpper(first, 1);
    platform::ansiLower(first + 1, 1);
  }
  char firstOem[2];
  platform::ansiToOem(first, firstOem, 2);
  query.firstBytes[0] = static_cast<uint8_t>(first[0]);
  query.firstBytes[1] = static_cast<uint8_t>(first[1]);
  query.firstBytes[2] = static_cast<uint8_t>(firstOem[0]);
  query.firstBytes[3] = static_cast<uint8_t>(firstOem[1]);
  for (uint8_t byte : query.firstBytes) query.candidateFirst.add(byte);
  // Where the comparison goes byte by byte, a second, rare byte of the text narrows the
  // candidates further without changing which positions match.
  if (platform::kTextEqualityIsBytewise) {
    query.candidateOffset = rarestOffset(query.text, query.length);
    if (query.candidateOffset != 0)
      addEqualBytes(query.candidateSecond, query.text[query.candidateOffset],
                    query.searchBytes[query.candidateOffset], query.ignoreCase);
  }
  return query;
}

PatternSearch searchContent(const ContentQuery& query, const ContentWindow& window) {
  const auto verdict = [](bool found) {
    return found ? PatternSearch::Found : PatternSearch::NotFound;
  };
  if (query.length == 0 || window.length < query.length) {
    // An empty match of an expression still needs contents to be tried on.
    if (query.mode != ContentQuery::Mode::Regex || window.length == 0)
      return PatternSearch::NotFound;
  }
  switch (query.mode) {
    case ContentQuery::Mode::Hex:
      return verdict(hexMatches(query, window));
    case ContentQuery::Mode::Regex:
      if (!window.startsFile || !window.endsFile) return PatternSearch::NotFound;
      return searchPattern(query.pattern, window.data, window.length);
    case ContentQuery::Mode::WholeWord:
      return verdict(textMatches(query, window, true));
    case ContentQuery::Mode::Text:
      return verdict(textMatches(query, window, false));
  }
  return PatternSearch::NotFound;
}

}  // namespace ostrya
