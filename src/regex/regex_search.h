// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ostrya {

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
  friend bool matchPattern(const RegexPattern* pattern, const uint8_t* subject, std::size_t length);
};

// Caseless unless `caseSensitive`. Null when the library rejects `text` (or memory runs out);
// the reason is not kept.
std::unique_ptr<RegexPattern> compilePattern(const char* text, bool caseSensitive);

// True when `pattern` occurs anywhere in the `length` bytes at `subject`, an empty match
// included. No pattern, a miss and every library error are all false.
bool matchPattern(const RegexPattern* pattern, const uint8_t* subject, std::size_t length);

}  // namespace ostrya
