// portable: no platform headers.
#pragma once

#include <memory>
#include <string>

#include "foundation/language_table.h"

namespace ostrya {

// Language files lie beside the program: `base` (programFilesBase) "_" code ".LNG".
inline constexpr char kLanguageFileExtension[] = "LNG";

// Builds a table from the language file for `code`, or from the "US" file when that code has
// none. Every text the file lacks or leaves empty is the English one. Null when neither file
// exists, the list has no key table, the file cannot be read or memory is lacking.
std::unique_ptr<LanguageTable> loadLanguageFile(LanguageList languages, const std::string& base,
                                                const char* code);

// The table for a language code: a built-in one, else one loaded from its file (kept in
// `loaded`), else English.
const LanguageTable& languageFor(const char* code, const std::string& base,
                                 std::unique_ptr<LanguageTable>& loaded);

// Writes the English texts as the "US" language file, the template translators start from.
// Failures to create or write show the system error box over `owner`. Returns 0, or non-zero
// when the file was not written whole.
int writeLanguageTemplate(LanguageList languages, const std::string& base, void* owner);

}  // namespace ostrya
