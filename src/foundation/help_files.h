// portable: no platform headers.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ostrya {

// How a help file is opened: the HTML help viewer, WinHelp, or the shell's default action.
enum class HelpKind { Chm, Hlp, Htm };

struct HelpFile {
  std::string path;
  HelpKind kind;
};

// The existing help files for the language `code` beside `base`, in the order to try them until
// one opens: the language's own files first, then the "US" file of each kind the language
// lacks.
std::vector<HelpFile> helpFilesToTry(const std::string& base, const char* code,
                                     const std::function<bool(const std::string&)>& exists);

}  // namespace ostrya
