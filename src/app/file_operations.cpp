// portable: no platform headers.
#include "app/file_operations.h"

#include "foundation/path_text.h"
#include "platform/path.h"

namespace ostrya {

// A name that is all extension (".profile") keeps it: the shortcut needs a name of its own.
std::string shortcutPath(std::string_view desktop, std::string_view fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  const std::string_view stem =
      dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
  std::string path = joinedPath(desktop, stem);
  path += ".lnk";
  return path.size() <= kShellPathLimit ? path : std::string();
}

std::string shellPathList(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) {
    list += path;
    list += '\0';
  }
  list += '\0';
  return list;
}

// A new name with a separator would move the file elsewhere; the in-place edit only renames.
std::string renamedPath(std::string_view oldPath, std::string_view newName) {
  if (newName.empty() || newName.find_first_of("\\/") != std::string_view::npos) return {};
  const std::string folder = parentOf(oldPath);
  if (folder.empty()) return {};
  std::string path = joinedPath(folder, newName);
  return path.size() <= kRenamedPathLimit ? path : std::string();
}

std::string moduleMessage(std::string_view text, std::string_view entryPoint,
                          std::string_view modulePath) {
  const std::string_view fills[] = {entryPoint, fileNameOf(modulePath)};
  std::string message;
  std::size_t used = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '%' && at + 1 < text.size() && text[at + 1] == 's' && used < 2) {
      message += fills[used++];
      ++at;
      continue;
    }
    message += text[at];
  }
  return message;
}

}  // namespace ostrya
