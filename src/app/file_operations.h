// portable: no platform headers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrya {

// The longest path the file commands hand to the shell, in characters.
inline constexpr std::size_t kShellPathLimit = 260;
// A rename's new path may have one character more: the old path's limit plus its separator.
inline constexpr std::size_t kRenamedPathLimit = 261;

// The desktop shortcut of a file: the desktop folder, the file name without its last extension,
// and ".lnk". Empty when that passes the path limit.
std::string shortcutPath(std::string_view desktop, std::string_view fileName);
// The paths one after another, each ended by a NUL, and one more NUL after the last: the form
// the shell's file operation takes.
std::string shellPathList(const std::vector<std::string>& paths);
// The path a rename gives: the old path's folder and the new name. Empty when that passes the
// rename's limit, when the old path has no folder, or when the new name is empty or names a
// path of its own.
std::string renamedPath(std::string_view oldPath, std::string_view newName);
// A message of the module commands: each "%s" of the language text in turn takes the entry
// point's name, then the module's file name without its folder. The text is never handed to a
// formatting function, so a language file cannot make it read or write beyond its arguments.
std::string moduleMessage(std::string_view text, std::string_view entryPoint,
                          std::string_view modulePath);

}  // namespace ostrya
