#include "regex/regex_search.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace ostrya {
namespace {

bool found(const RegexPattern* pattern, const uint8_t* subject, std::size_t length) {
  return searchPattern(pattern, subject, length) == PatternSearch::Found;
}

using namespace std::string_view_literals;

const uint8_t* bytes(std::string_view text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

struct MatchCase {
  const char* pattern;
  bool caseSensitive;
  std::string_view subject;  // a whole file
  bool matches;
};

template <std::size_t N>
void checkCases(const MatchCase (&cases)[N]) {
  for (const MatchCase& c : cases) {
    const std::unique_ptr<RegexPattern> pattern = compilePattern(c.pattern, c.caseSensitive);
    ASSERT_NE(pattern, nullptr) << c.pattern;
    EXPECT_EQ(found(pattern.get(), bytes(c.subject), c.subject.size()), c.matches)
        << c.pattern << (c.caseSensitive ? " (case-sensitive)" : "") << " in \""
        << std::string(c.subject) << '"';
  }
}

TEST(RegexSearch, CaseFoldingCoversAsciiLettersOnly) {
  const MatchCase cases[] = {
      {"abc", false, "xxABCxx", true},
      {"ABC", false, "abc", true},
      {"abc", true, "ABC", false},
      {"(?i)abc", true, "ABC", true},
      {"(?-i)abc", false, "ABC", false},
      {"a(?i)bc", true, "aBC", true},
      {"a(?i)bc", true, "ABC", false},
      // A-umlaut in the ANSI code page: no case partner, so only the same byte matches.
      {"\xE4"
       "bc",
       false,
       "\xC4"
       "BC",
       false},
      {"\xC4"
       "bc",
       false,
       "\xE4"
       "BC",
       false},
      {"\xE4"
       "bc",
       false,
       "\xE4"
       "BC",
       true},
      {"(?i)\xFF", true, "\x9F", false},
  };
  checkCases(cases);
}

// Bytes from 128 up belong to no class, and white space includes the vertical tab.
TEST(RegexSearch, CharacterClassesAreAsciiOnly) {
  const MatchCase cases[] = {
      {"\\s", true, "\v", true},          {"[[:space:]]", true, "\v", true},
      {"\\s", true, "\f\r\t\n "sv, true}, {"\\s", true, "\xA0", false},
      {"\\s", true, "\x85", false},       {"\\w", true, "\xE4", false},
      {"\\W", true, "\xE4", true},        {"[[:alpha:]]", false, "\xC4\xE4\xDF", false},
      {"\\d", true, "\xB2", false},       {"\\w", true, "_", true},
      {"[a-z]", false, "\xC4", false},
  };
  checkCases(cases);
}

// The subject is the whole file: without (?m) the anchors see its ends only, and only a line feed
// ends a line.
TEST(RegexSearch, AnchorsAndDotOverAWholeFile) {
  const MatchCase cases[] = {
      {"^abc", true, "abcdef", true},        {"^abc", true, "x\nabc", false},
      {"(?m)^abc", true, "x\nabc", true},    {"(?m)^abc", true, "x\rabc", false},
      {"abc$", true, "abc", true},           {"abc$", true, "abc\n", true},
      {"abc$", true, "abc\r\n", false},      {"abc$", true, "abc\n\n", false},
      {"abc$", true, "abc\nx", false},       {"(?m)abc$", true, "abc\nx", true},
      {"(?m)abc$", true, "abc\r\nx", false}, {"a.c", true, "a\nc", false},
      {"a.c", true, "a\rc", true},           {"a.c", true, "a\0c"sv, true},
      {"(?s)a.c", true, "a\nc", true},       {"(?s)(?-s)a.c", true, "a\nc", false},
  };
  checkCases(cases);
}

TEST(RegexSearch, InlineExtendedAndUngreedySettings) {
  const MatchCase cases[] = {
      {"a b c", true, "abc", false},
      {"(?x) a b c  # the letters", true, "abc", true},
      {"(?x)a\\ b", true, "a b", true},
      // (*COMMIT) forbids a second choice for the group, so the first choice decides.
      {"^(a+)(*COMMIT)\\1$", true, "aa", false},
      {"^(?U)(a+)(*COMMIT)\\1$", true, "aa", true},
      {"^(?U)(a+?)(*COMMIT)\\1$", true, "aa", false},
  };
  checkCases(cases);
}

TEST(RegexSearch, EmptyMatchesAndBinaryContent) {
  const MatchCase cases[] = {
      {"x*", true, "abc", true},
      {"x*", true, "", true},
      {"^", true, "\0\0"sv, true},
      {"abc", true, "ab\0abc"sv, true},
      {"a\\x00b", true,
       "\xFF"
       "a\0b"sv,
       true},
      {"a\\0b", true, "a\0b"sv, true},
      {"[^\\n]{3}$", true, "\0\xFF\0"sv, true},
  };
  checkCases(cases);
}

TEST(RegexSearch, LengthBoundsTheSubject) {
  const std::string_view file = "ab\0cabc\n"sv;
  const std::unique_ptr<RegexPattern> abc = compilePattern("abc", true);
  const std::unique_ptr<RegexPattern> end = compilePattern("c$", true);
  ASSERT_NE(abc, nullptr);
  ASSERT_NE(end, nullptr);
  const struct {
    std::size_t length;
    bool abc;
    bool end;
  } cases[] = {
      {0, false, false}, {3, false, false}, {4, false, true},
      {6, false, false}, {7, true, true},   {8, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(found(abc.get(), bytes(file), c.length), c.abc) << c.length;
    EXPECT_EQ(found(end.get(), bytes(file), c.length), c.end) << c.length;
  }
}

TEST(RegexSearch, RejectedPatternsGiveNoPatternAndNoMatches) {
  for (const char* text : {"(abc", "abc)", "[a", "a{2,1}", "*", "\\", "a**", "(?z)"}) {
    EXPECT_EQ(compilePattern(text, false), nullptr) << text;
    EXPECT_EQ(compilePattern(text, true), nullptr) << text;
  }
  const std::string_view file = "(abc";
  EXPECT_FALSE(found(nullptr, bytes(file), file.size()));
  EXPECT_FALSE(found(nullptr, nullptr, 0));
}

// Several megabytes with a run long enough that backtracking over it outgrows the JIT's stack:
// the answer must be the interpreter's, for this file and for the next one the pattern sees.
TEST(RegexSearch, DeepBacktrackingInALargeFileStillMatches) {
  std::string file(3 << 20, 'z');
  file += 'X';
  file.append(200000, 'a');
  const std::string missing = file;
  file += 'Y';

  const std::unique_ptr<RegexPattern> pattern = compilePattern("X(?:a|b)*Y", true);
  ASSERT_NE(pattern, nullptr);
  EXPECT_TRUE(found(pattern.get(), bytes(file), file.size()));
  EXPECT_FALSE(found(pattern.get(), bytes(missing), missing.size()));
  const std::string_view small = "zzXabY";
  EXPECT_TRUE(found(pattern.get(), bytes(small), small.size()));
  EXPECT_FALSE(found(pattern.get(), bytes(small), small.size() - 1));
}

TEST(RegexSearch, FindsAMatchAtTheEndOfALargeFile) {
  std::string file(4 << 20, 'z');
  for (std::size_t i = 4096; i < file.size(); i += 4096) file[i] = '\n';
  file += "\nneedle\n";
  const std::unique_ptr<RegexPattern> atEnd = compilePattern("^needle$", false);
  const std::unique_ptr<RegexPattern> anyLine = compilePattern("(?m)^NEEDLE$", false);
  ASSERT_NE(atEnd, nullptr);
  ASSERT_NE(anyLine, nullptr);
  EXPECT_FALSE(found(atEnd.get(), bytes(file), file.size()));
  EXPECT_TRUE(found(anyLine.get(), bytes(file), file.size()));
}

}  // namespace
}  // namespace ostrya
