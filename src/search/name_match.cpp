// portable: no platform headers.
#include "search/name_match.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"

namespace ostrya {
namespace {

const char* lastNamePart(const char* name) {
  const char* part = name;
  for (const char* p = name; *p; ++p)
    if (platform::isPathSeparator(*p)) part = p + 1;
  return part;
}

// Splits at the last dot. A name whose only dot is its first character (".profile") or that has
// no dot is all base.
struct BaseAndExtension {
  const char* base;
  std::size_t baseLength;
  const char* extension;  // after the dot; "" when none
};

BaseAndExtension splitAtLastDot(const char* text) {
  const char* dot = std::strrchr(text, '.');
  if (dot == nullptr || dot == text) return {text, std::strlen(text), ""};
  return {text, static_cast<std::size_t>(dot - text), dot + 1};
}

// Writes into a buffer in which a copied terminator ends the visible string: a '?' past the end
// of the source copies the terminator, and what the pattern writes after it is not seen.
class ExpansionOutput {
 public:
  explicit ExpansionOutput(char* buffer) : at_(buffer) {}
  void put(char c) { *at_++ = c; }
  void end() { *at_ = '\0'; }

 private:
  char* at_;
};

// The source of a component expansion: the characters of one component of the name.
class Source {
 public:
  Source(const char* text, std::size_t length) : at_(text), end_(text + length) {}
  bool usedUp() const { return at_ == end_; }
  char current() const { return usedUp() ? '\0' : *at_; }
  void advance() {
    if (!usedUp()) ++at_;
  }
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - at_); }
  const char* rest() const { return at_; }

 private:
  const char* at_;
  const char* end_;
};

bool restContains(const Source& source, const char* segment, std::size_t length) {
  if (length == 0) return true;
  const std::size_t available = source.remaining();
  for (std::size_t i = 0; i + length <= available; ++i)
    if (std::memcmp(source.rest() + i, segment, length) == 0) return true;
  return false;
}

void copyRest(Source& source, ExpansionOutput& out) {
  while (!source.usedUp()) {
    out.put(source.current());
    source.advance();
  }
}

// Expands pattern component [p, pEnd) against the source, appending to `out` (unterminated).
void expandComponent(const char* p, const char* pEnd, Source source, ExpansionOutput& out) {
  while (p < pEnd) {
    const char c = *p++;
    if (c == '?') {
      out.put(source.current());
      source.advance();
    } else if (c != '*') {
      out.put(c);
      source.advance();
    } else if (p == pEnd) {
      copyRest(source, out);
      return;
    } else if (const void* star = std::memchr(p, '*', static_cast<std::size_t>(pEnd - p))) {
      // "*SEG*": a source that holds SEG anywhere in its rest is reproduced whole; otherwise the
      // segment is matched character by character from here.
      const std::size_t segmentLength =
          static_cast<std::size_t>(static_cast<const char*>(star) - p);
      if (restContains(source, p, segmentLength)) {
        copyRest(source, out);
        return;
      }
    } else {
      // The last star takes whatever the characters after it leave over.
      const std::size_t patternRest = static_cast<std::size_t>(pEnd - p);
      for (std::size_t k = source.remaining(); k > patternRest; --k) {
        out.put(source.current());
        source.advance();
      }
      for (; p < pEnd; ++p) {
        if (*p == '*') continue;
        out.put(*p == '?' ? source.current() : *p);
        source.advance();
      }
      return;
    }
  }
}

}  // namespace

bool expandPattern(const char* name, const char* pattern, char* out) {
  // Both fit a path buffer, so the output fits kExpansionCapacity.
  if (std::strlen(name) >= platform::kMaxPath || std::strlen(pattern) >= platform::kMaxPath)
    return false;
  ExpansionOutput output(out);
  if (std::strcmp(pattern, ".") == 0) {
    Source whole(name, std::strlen(name));
    copyRest(whole, output);
    output.end();
    return true;
  }
  if (std::strpbrk(pattern, "\\/") != nullptr) return false;
  if (std::strchr(pattern, '.') == nullptr) {
    expandComponent(pattern, pattern + std::strlen(pattern), Source(name, std::strlen(name)),
                    output);
    output.end();
    return true;
  }
  const BaseAndExtension n = splitAtLastDot(name);
  const BaseAndExtension p = splitAtLastDot(pattern);
  expandComponent(p.base, p.base + p.baseLength, Source(n.base, n.baseLength), output);
  output.end();
  // The extension is expanded separately and joined only when it is not empty.
  char* const baseEnd = out + std::strlen(out);
  char* extension = baseEnd + 1;
  ExpansionOutput extensionOutput(extension);
  expandComponent(p.extension, p.extension + std::strlen(p.extension),
                  Source(n.extension, std::strlen(n.extension)), extensionOutput);
  extensionOutput.end();
  if (extension[0] != '\0') *baseEnd = '.';
  return true;
}

bool wildcardMatch(const char* name, const char* pattern) {
  if (std::strcmp(pattern, "*.*") == 0) return true;
  const unsigned char* upper = platform::ansiUpperTable();
  const auto same = [upper](char a, char b) {
    return upper[static_cast<unsigned char>(a)] == upper[static_cast<unsigned char>(b)];
  };
  // Greedy match that backs up to the last star only: linear in practice, never exponential.
  const char* n = name;
  const char* p = pattern;
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*n) {
    if (*p == '*') {
      starPattern = ++p;
      starName = n;
    } else if (*p != '\0' && (*p == '?' || same(*p, *n))) {
      ++p;
      ++n;
    } else if (starPattern) {
      p = starPattern;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

platform::PathMatchFunction secondChanceMatcher() {
  const platform::PathMatchFunction system = platform::lookUpPathMatchSpec();
  return system ? system : wildcardMatch;
}

NameMatcher::NameMatcher(const char* patternList, platform::PathMatchFunction secondChance)
    : secondChance_(secondChance) {
  patternsLength_ = std::min(std::strlen(patternList), sizeof patterns_ - 1);
  std::memcpy(patterns_, patternList, patternsLength_);
  patterns_[patternsLength_] = '\0';
  for (std::size_t i = 0; i < patternsLength_; ++i)
    if (patterns_[i] == ';') patterns_[i] = '\0';
}

bool NameMatcher::matches(const char* name) const {
  char upperName[platform::kMaxPath];
  const char* part = lastNamePart(name);
  const std::size_t length = std::min(std::strlen(part), sizeof upperName - 1);
  std::memcpy(upperName, part, length);
  upperName[length] = '\0';
  platform::ansiUpper(upperName, length);

  char expanded[kExpansionCapacity];
  for (std::size_t at = 0; at < patternsLength_;) {
    const char* pattern = patterns_ + at;
    const std::size_t patternLength = std::strlen(pattern);
    at += patternLength + 1;
    if (patternLength == 0) continue;
    if (!expandPattern(upperName, pattern, expanded)) continue;
    platform::ansiUpper(expanded, std::strlen(expanded));
    if (std::strcmp(expanded, upperName) == 0) return true;
    if (secondChance_ && secondChance_(upperName, pattern)) return true;
  }
  return false;
}

bool nameMatches(const char* name, const char* patternList,
                 platform::PathMatchFunction secondChance) {
  return NameMatcher(patternList, secondChance).matches(name);
}

}  // namespace ostrya
