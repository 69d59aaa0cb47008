// A containing text is typed by the user and the file contents are anyone's: the hex parser,
// the query preparation and every matcher meet arbitrary bytes, in whole files and in windows.
// Input: one byte of options, the text up to a newline, then the file contents.
#include <cstdint>
#include <cstring>
#include <string>

#include "regex/regex_search.h"
#include "search/content_match.h"
#include "search/search_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t newline = rest.find('\n');
  if (newline == std::string::npos || newline > 1023) return 0;
  const std::string text = rest.substr(0, newline).c_str();
  const std::string contents = rest.substr(newline + 1);

  uint32_t options = 0;
  if (flags & 1) options |= ostrya::kOptWholeWord;
  if (flags & 2) options |= ostrya::kOptCaseSensitive;
  if (flags & 4) options |= ostrya::kOptHex;
  if (flags & 8) options |= ostrya::kOptRegex;

  std::string cleaned = text;
  ostrya::hexClean(cleaned.data());
  uint8_t bytes[1024];
  ostrya::hexParse(text.c_str(), bytes);

  std::unique_ptr<ostrya::RegexPattern> pattern;
  if (options & ostrya::kOptRegex)
    pattern = ostrya::compilePattern(text.c_str(), options & ostrya::kOptCaseSensitive);
  const ostrya::ContentQuery query = ostrya::prepareContent(text.c_str(), options, pattern.get());
  const auto* file = reinterpret_cast<const uint8_t*>(contents.data());
  const bool whole = ostrya::matchesContent(query, {file, contents.size(), true, true, 0});

  // The same contents cut in two overlapping windows find the same, outside regular expressions.
  if (!(options & ostrya::kOptRegex) && contents.size() > query.length + 2) {
    const std::size_t cut = (flags >> 4) * contents.size() / 16 + 1;
    const std::size_t back = std::min<std::size_t>(cut, query.length + 1);
    const std::size_t secondStart = cut - back;
    const bool first = ostrya::matchesContent(query, {file, cut, true, false, 0});
    const bool second = ostrya::matchesContent(
        query, {file + secondStart, contents.size() - secondStart, secondStart == 0, true,
                secondStart ? file[secondStart - 1] : uint8_t{0}});
    if (whole != (first || second)) __builtin_trap();
  }
  return 0;
}
