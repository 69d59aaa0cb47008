// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/path.h"
#include "platform/shell.h"

namespace ostrya {

// Applies `pattern` to `name` as a rename template ("*.TXT" turns "A.B" into "A.TXT").
// Returns false when the pattern cannot be expanded (it holds a path separator).
// `out` must hold kExpansionCapacity characters.
inline constexpr std::size_t kExpansionCapacity = 2 * platform::kMaxPath + 2;
bool expandPattern(const char* name, const char* pattern, char* out);

// A case-insensitive wildcard test: '*' any run of characters, '?' one character, and "*.*"
// every name. Stands in where the system offers no path-match service.
bool wildcardMatch(const char* name, const char* pattern);

// The second-chance test the system offers, or the wildcard test above.
platform::PathMatchFunction secondChanceMatcher();

// A ';'-separated pattern list, prepared once and tested against many names. A name matches
// when one pattern, used as a rename template, reproduces it (without regard to case), or,
// failing that, when the second-chance test accepts it.
class NameMatcher {
 public:
  NameMatcher(const char* patternList, platform::PathMatchFunction secondChance);
  // Only the part after the last '\' or '/' of `name` is tested.
  bool matches(const char* name) const;

 private:
  // The list cut after 259 characters, with every ';' turned into a terminator.
  char patterns_[platform::kMaxPath];
  std::size_t patternsLength_ = 0;
  platform::PathMatchFunction secondChance_;
};

// One-off test of a name against a pattern list.
bool nameMatches(const char* name, const char* patternList,
                 platform::PathMatchFunction secondChance);

}  // namespace ostrya
