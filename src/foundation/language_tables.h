// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// One row of a language table: a text identifier and its text.
struct LanguageEntry {
  uint16_t id;
  const char* text;
};

// The built-in tables. Entry 0 holds the code, entry 1 the display name, the texts follow, and
// an entry with identifier 0 and no text ends each table. All three hold the same identifiers in
// the same order: loading a language file walks the English table and the key table side by
// side.
extern const LanguageEntry kEnglishEntries[];
extern const LanguageEntry kGermanEntries[];
extern const LanguageEntry kLanguageKeyEntries[];

}  // namespace ostrya
