#include "search/content_match.h"

#include <gtest/gtest.h>

#include <string>

#include "search/search_options.h"

namespace ostrya {
namespace {

bool contains(const std::string& contents, const char* text, uint32_t options = 0) {
  const ContentQuery query = prepareContent(text, options, nullptr);
  const auto* data = reinterpret_cast<const uint8_t*>(contents.data());
  return matchesContent(query, {data, contents.size(), true, true, 0});
}

TEST(HexText, CleanParseAndFormat) {
  char typed[] = "4d-5a zz 1";
  hexClean(typed);
  EXPECT_STREQ(typed, "4d 5a    1");

  struct Case {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"4D5A", "\x4D\x5A"},
      {"ABC", std::string("\xAB\x0C")},
      {"1 2", "\x01\x02"},
      {"  ff  ", "\xFF"},
      {"", ""},
      {"xyz", ""},
      {"0 00 000", std::string("\0\0\0\0", 4)},
  };
  for (const Case& c : cases) {
    uint8_t out[16];
    const std::size_t n = hexParse(c.text, out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), c.bytes) << c.text;
  }
  // The longest field gives at most 512 bytes.
  const std::string longest(1023, 'F');
  uint8_t out[600];
  EXPECT_EQ(hexParse(longest.c_str(), out), 512u);

  const uint8_t bytes[] = {0x4D, 0x5A, 0x00, 0xFF};
  EXPECT_EQ(hexFormat(bytes, 4), "4D 5A 00 FF ");
}

TEST(WordDelimiters, ExactTable) {
  std::string delimiters;
  for (int c = 0; c < 256; ++c)
    if (isWordDelimiter(static_cast<uint8_t>(c))) delimiters += static_cast<char>(c);
  EXPECT_EQ(delimiters, std::string("\0\t\n\v\f\r !\"#$%&'()*+,-./:;<=>?@[\\]^`{|}~\xB4", 39));
}

TEST(Preparation, FirstByteSetAndModes) {
  const ContentQuery insensitive = prepareContent("\xe4pfel", 0, nullptr);  // a-umlaut
  EXPECT_EQ(insensitive.length, 5u);
  EXPECT_EQ(insensitive.firstBytes[0], 0xC4);  // upper-case ANSI
  EXPECT_EQ(insensitive.firstBytes[1], 0xE4);  // lower-case ANSI
  EXPECT_EQ(insensitive.firstBytes[2], 0x8E);  // their OEM forms
  EXPECT_EQ(insensitive.firstBytes[3], 0x84);
  EXPECT_EQ(insensitive.searchBytes[0], 0x84);
  EXPECT_TRUE(insensitive.oemDiffers);
  EXPECT_EQ(insensitive.mode, ContentQuery::Mode::Text);

  const ContentQuery sensitive = prepareContent("cat", kOptCaseSensitive, nullptr);
  EXPECT_EQ(std::string(sensitive.firstBytes, sensitive.firstBytes + 4), "cccc");
  EXPECT_FALSE(sensitive.oemDiffers);

  // Hex comes first, then the expression, then whole words.
  EXPECT_EQ(prepareContent("4D", kOptHex | kOptRegex | kOptWholeWord, nullptr).mode,
            ContentQuery::Mode::Hex);
  EXPECT_EQ(prepareContent("a", kOptRegex | kOptWholeWord, nullptr).mode,
            ContentQuery::Mode::Regex);
  EXPECT_EQ(prepareContent("a", kOptWholeWord, nullptr).mode, ContentQuery::Mode::WholeWord);
  // A hex text without digits asks for no content test.
  EXPECT_EQ(prepareContent("zz", kOptHex, nullptr).length, 0u);
}

TEST(TextMatcher, CaseFoldingBothWaysAndTheOemForm) {
  struct Case {
    std::string contents;
    const char* text;
    uint32_t options;
    bool found;
  } cases[] = {
      {"say HELLO there", "hello", 0, true},
      {"say hello there", "HELLO", 0, true},
      {"say Hello there", "hELLO", 0, true},
      {"say Hello there", "hello", kOptCaseSensitive, false},
      {"say hello there", "hello", kOptCaseSensitive, true},
      {"\xc4PFEL", "\xe4pfel", 0, true},       // Windows-1252 both cases
      {"DOS: \x84pfel", "\xe4pfel", 0, true},  // the OEM form of a-umlaut
      {"DOS: \x84PFEL", "\xe4pfel", 0, true},
      {"DOS: \x84pfel", "\xe4pfel", kOptCaseSensitive, true},
      {"", "a", 0, false},
      {"ab", "abc", 0, false},                     // shorter than the text
      {"abc", "abc", 0, true},                     // the whole file
      {std::string("x\0abc", 5), "abc", 0, true},  // binary contents are just bytes
  };
  for (const Case& c : cases)
    EXPECT_EQ(contains(c.contents, c.text, c.options), c.found)
        << "'" << c.contents << "' for '" << c.text << "'";
}

TEST(WholeWordMatcher, NeedsDelimitersOrTheFileEndsOnBothSides) {
  struct Case {
    std::string contents;
    bool found;
  } cases[] = {
      {"the cat sat", true},
      {"cat", true},
      {"a cat, a dog", true},
      {"(cat)", true},
      {"cat-1", true},
      {"ends with cat", true},
      {"cats", false},
      {"concat", false},
      {"cat_1", false},
      {"CAT!", true},
      {"\xb4"
       "cat\xb4",
       true},
      {"\xe9"
       "cat",
       false},
      {"cats cat", true},
      {"concat cat", true},
      {"ca", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(contains(c.contents, "cat", kOptWholeWord), c.found) << c.contents;
  // A text may hold delimiters itself, and one that begins or ends with a delimiter brings its
  // own word border on that side.
  const struct {
    const char* contents;
    const char* text;
    bool found;
  } bordered[] = {
      {"the big cat", "big cat", true},
      {"a -x b", "-x", true},
      {"ls -v", "-v", true},
      {"ls -vx", "-v", false},
      {"#include <a>", "#include", true},
      {"#included", "#include", false},
      {"asp.net", ".net", true},
      {"a .network", ".net", false},
      {"f(x)y", "(x)", true},
      {"a, b", "a,", true},
      {"ba, b", "a,", false},
  };
  for (const auto& c : bordered)
    EXPECT_EQ(contains(c.contents, c.text, kOptWholeWord), c.found)
        << c.text << " in " << c.contents;
}

TEST(HexMatcher, ComparesBytesExactly) {
  EXPECT_TRUE(contains(std::string("MZ\x90\0", 4), "4D 5A", kOptHex));
  EXPECT_FALSE(contains("mz", "4D 5A", kOptHex));  // no case folding, whatever the options
  EXPECT_TRUE(contains(std::string("ab\0\xff", 4), "00 FF", kOptHex));
  EXPECT_FALSE(contains("M", "4D5A", kOptHex));
}

TEST(Windows, MatchesAcrossAWindowBorderAreFound) {
  const ContentQuery word = prepareContent("cat", kOptWholeWord, nullptr);
  const std::string tail = "t is here";
  const auto* data = reinterpret_cast<const uint8_t*>(tail.data());
  // The window starts inside a word: its first bytes are not a word start.
  EXPECT_FALSE(matchesContent(word, {data, tail.size(), false, true, 'a'}));
  const std::string next = "cat is here";
  const auto* nextData = reinterpret_cast<const uint8_t*>(next.data());
  EXPECT_TRUE(matchesContent(word, {nextData, next.size(), false, true, ' '}));
  EXPECT_FALSE(matchesContent(word, {nextData, next.size(), false, true, 'x'}));
  // A match that ends a window that does not end the file is not known to end a word.
  EXPECT_FALSE(matchesContent(word, {nextData, 3, true, false, 0}));
  EXPECT_TRUE(matchesContent(word, {nextData, 4, true, false, 0}));
}

}  // namespace
}  // namespace ostrya
