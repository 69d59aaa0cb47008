#include "search/name_match.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrya {
namespace {

std::string expand(const char* name, const char* pattern) {
  char out[kExpansionCapacity];
  if (!expandPattern(name, pattern, out)) return "<fails>";
  return out;
}

TEST(PatternExpansion, WorksAsARenameTemplate) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* expanded;
  } cases[] = {
      {"A.B", ".", "A.B"},
      {"A.B", "*.TXT", "A.TXT"},
      {"README", "*.*", "README"},
      {"A", "A?C", "A"},  // '?' past the end copies the terminator
      {"AB", "A?C", "ABC"},
      {"ABC", "A*", "ABC"},
      {"XAB", "*ABC*", "ABC"},  // no ABC: the segment is matched from here
      {"XABCY", "*ABC*", "XABCY"},
      {"LONGNAME", "*E", "LONGNAME"},
      {"AB", "*XYZ", "XYZ"},
      {"A.TXT2", "*.TXT", "A.TXT"},
      {".PROFILE", "*.TXT", ".PROFILE.TXT"},
      {"A", "*.", "A"},
      {"A.B", "C\\*.*", "<fails>"},
      {"A.B", "C/*", "<fails>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(expand(c.name, c.pattern), c.expanded) << c.name << " with " << c.pattern;
}

TEST(PatternExpansion, RefusesInputsLongerThanAPathBuffer) {
  const std::string longName(platform::kMaxPath, 'A');
  char out[kExpansionCapacity];
  EXPECT_FALSE(expandPattern(longName.c_str(), "*", out));
  EXPECT_FALSE(expandPattern("A", longName.c_str(), out));
}

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

// Without the system's second-chance test, the expansion decides alone.
TEST(NameMatcher, ExamplesByExpansionAlone) {
  const MatchCase cases[] = {
      {"*.TXT", "A.TXT", true},
      {"*.TXT", "a.txt", true},
      {"*.TXT", "A.B.TXT", true},
      {"*.TXT", "A.TXT2", false},
      {"*.TXT", "A", false},
      {"A*", "ABC", true},
      {"A*", "A.B", true},
      {"A*", "BA", false},
      {"*", "anything.at.all", true},
      {"*.*", "README", true},
      {"*.*", "a.b", true},
      {"A?C", "ABC", true},
      {"A?C", "A", true},
      {"A?C", "AB", false},
      {"*ABC*", "xabcy", true},
      {"*ABC*", "XAB", false},
      {"*ABC*.*", "zABCz.txt", true},
      {"*ABC*.*", "ABX.TXT", false},
      {".", "whatever", true},
      {"dir\\*.txt", "a.txt", false},
  };
  for (const MatchCase& c : cases)
    EXPECT_EQ(nameMatches(c.name, c.pattern, nullptr), c.matches)
        << c.name << " with " << c.pattern;
}

TEST(NameMatcher, PatternListsAreSplitAtSemicolonsAndCut) {
  EXPECT_TRUE(nameMatches("a.c", "*.h;;*.c", nullptr));  // an empty element is skipped
  EXPECT_TRUE(nameMatches("a.c", ";*.c;", nullptr));
  EXPECT_FALSE(nameMatches("a.c", "", nullptr));
  EXPECT_FALSE(nameMatches("a.c", ";;", nullptr));
  // Only the part after the last separator of the name is tested.
  EXPECT_TRUE(nameMatches("dir.x\\sub/a.c", "*.c", nullptr));

  // A pattern beyond the 259th character of the list is ignored.
  const std::string filler(255, 'x');
  EXPECT_TRUE(nameMatches("a.c", (filler + ";*.c").c_str(), nullptr));
  EXPECT_FALSE(nameMatches("a.c", (filler + "xxx;*.c").c_str(), nullptr));
}

TEST(NameMatcher, SecondChanceDecidesWhereTheExpansionDiffers) {
  int calls = 0;
  static int* counter = nullptr;
  counter = &calls;
  auto spy = [](const char*, const char* pattern) {
    ++*counter;
    return std::string(pattern) == "*abc*";
  };
  EXPECT_TRUE(nameMatches("a.txt", "*.txt", spy));
  EXPECT_EQ(calls, 0);  // the expansion reproduced the name: no second chance needed
  EXPECT_TRUE(nameMatches("xabcy", "*.h;*abc*", spy));
  EXPECT_EQ(calls, 2);
  // A pattern with a separator never reaches the second chance.
  EXPECT_FALSE(nameMatches("a.txt", "x\\*.txt", spy));
  EXPECT_EQ(calls, 2);
}

TEST(WildcardMatch, StarsAndQuestionMarksWithoutRegardToCase) {
  const MatchCase cases[] = {
      {"*.txt", ".txt", true},
      {"*.TXT", "a.b.txt", true},
      {"*.*", "README", true},
      {"a?c", "ABC", true},
      {"a?c", "AC", false},
      {"*abc*", "xABCy", true},
      {"*a*b*c", "aXbXc", true},
      {"*a*b*c", "aXbXcX", false},
      {"", "", true},
      {"*", "", true},
      {"?", "", false},
  };
  for (const MatchCase& c : cases)
    EXPECT_EQ(wildcardMatch(c.name, c.pattern), c.matches) << c.name << " with " << c.pattern;
  // Many stars on a long non-matching name still end quickly.
  const std::string name(250, 'a');
  EXPECT_FALSE(wildcardMatch(name.c_str(), "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(NameMatcher, WithTheWildcardSecondChanceMatchesLikeFindIname) {
  const auto second = wildcardMatch;
  const MatchCase cases[] = {
      {"*.txt", ".txt", true},  // expansion alone would not
      {"*abc*", "xABCy", true},
      {"*.h;*.txt", "stdio.H", true},
      {"*.h;*.txt", "a.hpp", false},
  };
  for (const MatchCase& c : cases)
    EXPECT_EQ(nameMatches(c.name, c.pattern, second), c.matches) << c.name << " with " << c.pattern;
}

}  // namespace
}  // namespace ostrya
