// portable: no platform headers.
#include "foundation/language_choices.h"

#include <cstring>
#include <new>

#include "foundation/config_store.h"
#include "foundation/language_file.h"
#include "platform/listing.h"
#include "platform/path.h"

namespace ostrya {
namespace {

constexpr std::size_t kMaxCodeLength = 3;
constexpr std::size_t kFileCodeLength = 2;
constexpr std::size_t kDisplayNameCapacity = 260;

char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalIgnoringCase(const char* a, const char* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  return true;
}

bool alreadyOffered(const std::vector<LanguageChoice>& choices, const std::string& code) {
  for (const LanguageChoice& choice : choices)
    if (choice.code.size() == code.size() &&
        equalIgnoringCase(choice.code.c_str(), code.c_str(), code.size()))
      return true;
  return false;
}

// A code that begins with "-" or is shorter than two characters marks a table for the
// program's own use, such as the key table.
bool namesALanguage(const LanguageTable& table) {
  const char* code = table.code();
  return code[0] != kKeyTableCode[0] && std::strlen(code) >= 2;
}

// The code of a name "NAME_??.LNG" (NAME the base's file-name part, compared without regard to
// case as the system's file search does); empty for any other name.
std::string fileCodeOf(const char* name, const std::string& baseName) {
  const std::size_t length = std::strlen(name);
  const std::size_t codeStart = baseName.size() + 1;
  const std::size_t extensionStart = codeStart + kFileCodeLength;
  const std::size_t extensionLength = std::strlen(kLanguageFileExtension);
  if (length != extensionStart + 1 + extensionLength) return {};
  if (!equalIgnoringCase(name, baseName.c_str(), baseName.size()) || name[baseName.size()] != '_' ||
      name[extensionStart] != '.' ||
      !equalIgnoringCase(name + extensionStart + 1, kLanguageFileExtension, extensionLength))
    return {};
  return std::string(name + codeStart, kFileCodeLength);
}

// Each file's display name comes from its own short-lived store: the files are only looked at,
// never kept open.
void addLanguageFiles(std::vector<LanguageChoice>& choices, const std::string& base) {
  const std::size_t separator = base.find_last_of("\\/");
  const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  const std::string folderPrefix = base.substr(0, nameStart);
  const std::string baseName = base.substr(nameStart);
  platform::DirectoryListing listing;
  if (!listing.open(folderPrefix.empty() ? "." : folderPrefix.c_str())) return;
  platform::DirectoryEntry entry;
  while (listing.next(entry)) {
    if (entry.isFolder) continue;
    std::string code = fileCodeOf(entry.name, baseName);
    if (code.empty() || alreadyOffered(choices, code)) continue;
    // A store that cannot be had in time leaves the buffer alone.
    char displayName[kDisplayNameCapacity] = "";
    ConfigStore file((folderPrefix + entry.name).c_str());
    file.getText("Text", "Language", "", displayName, sizeof displayName);
    if (displayName[0] == '\0') continue;
    choices.push_back({displayName, std::move(code)});
  }
}

}  // namespace

std::vector<LanguageChoice> languageChoices(LanguageList languages, const std::string& base) {
  std::vector<LanguageChoice> choices;
  try {
    const LanguageTable* keys = findLanguage(languages, kKeyTableCode);
    for (const LanguageTable* table : languages) {
      if (table == nullptr) continue;
      if (table == keys)
        addLanguageFiles(choices, base);
      else if (namesALanguage(*table))
        choices.push_back(
            {table->displayName(), std::string(table->code()).substr(0, kMaxCodeLength)});
    }
  } catch (const std::bad_alloc&) {
    // The dialog offers what was gathered.
  }
  return choices;
}

}  // namespace ostrya
