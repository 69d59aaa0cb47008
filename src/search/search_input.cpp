// portable: no platform headers.
#include "search/search_input.h"

#include <cstring>

#include "platform/path.h"
#include "regex/regex_search.h"
#include "search/search_options.h"

namespace ostrya {
namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A byte string is groups of digits between blanks, each group whole bytes: "4D5A 90", not
// "4D5" nor "0x90".
InputCheck checkHexText(const char* text) {
  std::size_t digits = 0;
  for (const char* c = text;; ++c) {
    if (*c != '\0' && isHexDigit(*c)) continue;
    const char* groupStart = c;
    while (groupStart > text && isHexDigit(groupStart[-1])) --groupStart;
    const std::size_t group = static_cast<std::size_t>(c - groupStart);
    if (group % 2 != 0)
      return {kTextHexOddDigits, PanelField::ContainingText, std::string(groupStart, group)};
    digits += group;
    if (*c == '\0') break;
    if (*c != ' ') return {kTextHexCharacter, PanelField::ContainingText, std::string(1, *c)};
  }
  if (digits == 0) return {kTextHexNoDigits, PanelField::ContainingText, {}};
  return {};
}

InputCheck checkLookIn(const char* lookIn) {
  for (const char* element = lookIn;;) {
    const char* end = std::strchr(element, ';');
    const std::size_t length = end ? static_cast<std::size_t>(end - element) : std::strlen(element);
    if (length != 0) {
      const std::string folder(element, length);
      if (!platform::isDirectory(folder.c_str()))
        return {kTextFolderMissing, PanelField::LookIn, folder};
    }
    if (end == nullptr) return {};
    element = end + 1;
  }
}

}  // namespace

InputCheck checkSearchInput(const char* lookIn, const char* text, uint32_t options) {
  InputCheck check = checkLookIn(lookIn);
  if (!check.sound() || text[0] == '\0') return check;
  if ((options & kOptRegex) != 0) {
    std::string problem = patternProblem(text, (options & kOptCaseSensitive) != 0);
    if (!problem.empty())
      return {kTextPatternInvalid, PanelField::ContainingText, std::move(problem)};
    return {};
  }
  if ((options & kOptHex) != 0) return checkHexText(text);
  return {};
}

std::string inputProblemText(const InputCheck& check, const TextLookup& texts) {
  std::string message = texts.text(check.problem);
  const std::size_t at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, check.detail);
  return message;
}

}  // namespace ostrya
