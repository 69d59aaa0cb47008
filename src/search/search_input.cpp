// portable: no platform headers.
#include "search/search_input.h"

#include "platform/path.h"
#include "regex/regex_search.h"
#include "search/look_in_list.h"
#include "search/search_options.h"

namespace ostrya {
namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A byte string is hexadecimal digits and blanks, and at least one digit; digits pair up as
// the content test reads them ("ABC" is AB 0C, "6" is 06).
InputCheck checkHexText(const char* text) {
  bool digits = false;
  for (const char* c = text; *c; ++c) {
    if (isHexDigit(*c)) {
      digits = true;
    } else if (*c != ' ') {
      return {kTextHexCharacter, PanelField::ContainingText, std::string(1, *c)};
    }
  }
  if (!digits) return {kTextHexNoDigits, PanelField::ContainingText, {}};
  return {};
}

// One too long for a path is never searched, so it is as good as missing.
InputCheck checkLookIn(const char* lookIn) {
  InputCheck check;
  forEachLookInElement(lookIn, [&](std::string_view element) {
    const std::string folder(element);
    if (folder.size() < platform::kMaxPath && platform::isDirectory(folder.c_str())) return true;
    check = {kTextFolderMissing, PanelField::LookIn, folder};
    return false;
  });
  return check;
}

}  // namespace

InputCheck checkSearchInput(const char* lookIn, const char* text, uint32_t options) {
  InputCheck check = checkLookIn(lookIn);
  if (!check.sound() || text[0] == '\0') return check;
  // The same order as the content test's: a byte string before an expression.
  if ((options & kOptHex) != 0) return checkHexText(text);
  if ((options & kOptRegex) != 0) {
    std::string problem = patternProblem(text, (options & kOptCaseSensitive) != 0);
    if (!problem.empty())
      return {kTextPatternInvalid, PanelField::ContainingText, std::move(problem)};
  }
  return {};
}

std::string inputProblemText(const InputCheck& check, const TextLookup& texts) {
  std::string message = texts.text(check.problem);
  const std::size_t at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, check.detail);
  return message;
}

}  // namespace ostrya
