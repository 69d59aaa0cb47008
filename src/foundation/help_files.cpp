// portable: no platform headers.
#include "foundation/help_files.h"

#include <iterator>
#include <new>

#include "foundation/language_table.h"
#include "foundation/program_files.h"

namespace ostrya {
namespace {

struct HelpExtension {
  const char* extension;
  HelpKind kind;
};

// Compiled HTML help first: later Windows versions come without WinHelp.
constexpr HelpExtension kHelpExtensions[] = {
    {"CHM", HelpKind::Chm},
    {"HLP", HelpKind::Hlp},
    {"HTM", HelpKind::Htm},
};

}  // namespace

// A kind the language has is never swapped for the English one, even when its file fails to
// open: a translation that ships only a CHM keeps its help in its own language. A file of the
// language that did not open the first time is not tried again.
std::vector<HelpFile> helpFilesToTry(const std::string& base, const char* code,
                                     const std::function<bool(const std::string&)>& exists) {
  std::vector<HelpFile> files;
  try {
    bool missing[std::size(kHelpExtensions)] = {};
    const std::string language = code ? code : "";
    for (std::size_t i = 0; i < std::size(kHelpExtensions); ++i) {
      std::string path = languageFileName(base, language, kHelpExtensions[i].extension);
      missing[i] = !exists(path);
      if (!missing[i]) files.push_back({std::move(path), kHelpExtensions[i].kind});
    }
    const char* english = englishLanguage().code();
    for (std::size_t i = 0; i < std::size(kHelpExtensions); ++i) {
      if (!missing[i]) continue;
      std::string path = languageFileName(base, english, kHelpExtensions[i].extension);
      if (exists(path)) files.push_back({std::move(path), kHelpExtensions[i].kind});
    }
  } catch (const std::bad_alloc&) {
    // What was found so far is still worth trying.
  }
  return files;
}

}  // namespace ostrya
