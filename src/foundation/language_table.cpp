// portable: no platform headers.
#include "foundation/language_table.h"

#include <cstring>

namespace ostrya {
namespace {

// Constant-initialised, so that texts can be looked up from any static constructor.
constinit const LanguageTable kEnglishTable(kEnglishEntries);
constinit const LanguageTable kGermanTable(kGermanEntries);
constinit const LanguageTable kKeyTable(kLanguageKeyEntries);

// English first: it is the default and the fallback. The key table comes last, where the
// language dialog lists the language files instead.
constexpr const LanguageTable* kBuiltInLanguages[] = {&kEnglishTable, &kGermanTable, &kKeyTable};

// Codes are ASCII letters; the system's locale has no say in comparing them.
char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameCode(const char* a, const char* b) {
  for (; *a && asciiUpper(*a) == asciiUpper(*b); ++a, ++b) {
  }
  return asciiUpper(*a) == asciiUpper(*b);
}

}  // namespace

LanguageTable::LanguageTable(const LanguageEntry* entries, std::unique_ptr<unsigned char[]> block)
    : entries_(entries), block_(std::move(block)) {}

// Entry 0 holds the code under identifier 0, so the search starts at entry 1 and identifier 0
// can only meet the terminator.
const char* LanguageTable::text(uint32_t id) const {
  if (id == 0) return "";
  for (const LanguageEntry* entry = entries_ + 1; entry->id != 0; ++entry)
    if (entry->id == id) return entry->text ? entry->text : "";
  return "";
}

// The cut comes first, as on a copy into a fixed buffer; it never keeps the backslash of a
// "\t" without its "t", which would leave a stray backslash where a tab was meant.
void getText(const LanguageTable* table, uint32_t id, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  const char* text = table ? table->text(id) : "";
  const std::size_t limit = capacity - 1;
  std::size_t read = 0;
  std::size_t written = 0;
  while (text[read] != '\0' && read < limit) {
    if (text[read] == '\\' && text[read + 1] == 't') {
      if (read + 2 > limit) break;
      out[written++] = '\t';
      read += 2;
    } else {
      out[written++] = text[read++];
    }
  }
  out[written] = '\0';
}

LanguageList builtInLanguages() {
  return kBuiltInLanguages;
}

const LanguageTable& englishLanguage() {
  return kEnglishTable;
}

const LanguageTable* findLanguage(LanguageList languages, const char* code) {
  if (code == nullptr) return nullptr;
  for (const LanguageTable* table : languages)
    if (table != nullptr && sameCode(table->code(), code)) return table;
  return nullptr;
}

}  // namespace ostrya
