// portable: no platform headers.
#pragma once

#include <string>
#include <vector>

#include "foundation/language_table.h"

namespace ostrya {

// One line of the language dialog.
struct LanguageChoice {
  std::string displayName;
  std::string code;  // at most three characters
};

// What the language dialog offers, in order: the listed tables that name a language, and in
// the key table's place the language files beside `base` that have a display name and a code
// not offered before.
std::vector<LanguageChoice> languageChoices(LanguageList languages, const std::string& base);

}  // namespace ostrya
