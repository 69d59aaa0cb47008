// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "foundation/language_tables.h"
#include "foundation/text_lookup.h"

namespace ostrya {

// A language table: the built-in entries it points at, or a loaded table's own block that holds
// the entry array followed by the texts.
class LanguageTable final : public TextLookup {
 public:
  constexpr explicit LanguageTable(const LanguageEntry* entries) : entries_(entries) {}
  // `entries` lies inside `block`.
  LanguageTable(const LanguageEntry* entries, std::unique_ptr<unsigned char[]> block);

  const char* code() const { return entries_[0].text; }
  const char* displayName() const { return entries_[1].text; }
  // From entry 0 to the terminator.
  const LanguageEntry* entries() const { return entries_; }

  // The text as stored (a loaded table keeps "\t" as two characters); "" when the table lacks
  // the identifier. Identifier 0 is never found.
  const char* text(uint32_t id) const override;

 private:
  const LanguageEntry* entries_;
  std::unique_ptr<unsigned char[]> block_;
};

// Copies the text of `id` cut to `capacity` - 1 bytes, never between the two characters of a
// "\t", then turns every "\t" into a tab. No table, or an identifier it lacks, gives "".
void getText(const LanguageTable* table, uint32_t id, char* out, std::size_t capacity);

// The tables the program knows, in the order the language dialog lists them.
using LanguageList = std::span<const LanguageTable* const>;
LanguageList builtInLanguages();
const LanguageTable& englishLanguage();

// The code of the key table, which names every text for language files.
inline constexpr char kKeyTableCode[] = "-";

// The table whose code equals `code` without regard to case; null when none does.
const LanguageTable* findLanguage(LanguageList languages, const char* code);

}  // namespace ostrya
