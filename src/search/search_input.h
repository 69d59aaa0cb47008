// portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/text_lookup.h"
#include "search/search_host.h"

namespace ostrya {

// Input a search cannot mean anything with, found before it starts. The window and the command
// line ask the same questions here, so that they refuse the same things.
struct InputCheck {
  // 0 when the input is sound, else the text identifier of the message.
  uint32_t problem = 0;
  // The field the message is about.
  PanelField field = PanelField::ContainingText;
  // What the message names: a character, the library's words, a folder.
  std::string detail;

  bool sound() const { return problem == 0; }
};

// The look-in list's folders must exist; a containing text in hexadecimal must be hexadecimal
// digits and blanks, at least one digit, and a regular expression one the library takes.
InputCheck checkSearchInput(const char* lookIn, const char* text, uint32_t options);

// The message in the language of `texts`, its "%s" replaced by the detail.
std::string inputProblemText(const InputCheck& check, const TextLookup& texts);

}  // namespace ostrya
