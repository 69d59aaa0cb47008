// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ostrya {

// How a search for a pattern ended: the library may give up on a limit (backtracking, depth,
// memory) before it can tell.
enum class PatternSearch { Found, NotFound, LimitReached };

// A containing-text pattern compiled once per search run, with what matching it needs. It is
// owned by the run and used by the run's thread only.
class RegexPattern {
 public:
  ~RegexPattern();
  RegexPattern(const RegexPattern&) = delete;
  RegexPattern& operator=(const RegexPattern&) = delete;

 private:
  struct Compiled;
  explicit RegexPattern(std::unique_ptr<Compiled> compiled);
  std::unique_ptr<Compiled> compiled_;

  friend std::unique_ptr<RegexPattern> compilePattern(const char* text, bool caseSensitive);
  friend PatternSearch searchPattern(const RegexPattern* pattern, const uint8_t* subject,
                                     std::size_t length);
};

// Caseless unless `caseSensitive`. Null when the library rejects `text` (or memory runs out).
std::unique_ptr<RegexPattern> compilePattern(const char* text, bool caseSensitive);

// Why the library rejects `text` as a pattern, with the offset where it saw the fault ("missing
// closing parenthesis at offset 2"); empty when it takes it.
std::string patternProblem(const char* text, bool caseSensitive);

// Whether `pattern` occurs anywhere in the `length` bytes at `subject`, an empty match
// included. No pattern and library errors other than its limits are a miss.
PatternSearch searchPattern(const RegexPattern* pattern, const uint8_t* subject,
                            std::size_t length);

}  // namespace ostrya
