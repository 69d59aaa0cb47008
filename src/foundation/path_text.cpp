// portable: no platform headers.
#include "foundation/path_text.h"

#include "platform/path.h"

namespace ostrya {

std::string joinedPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || !platform::isPathSeparator(path.back())) path += platform::kPathSeparator;
  path += name;
  return path;
}

std::string parentOf(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) return {};
  const bool root = cut == 0 || (cut == 2 && path[1] == ':');
  return std::string(path.substr(0, root ? cut + 1 : cut));
}

std::string_view fileNameOf(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace ostrya
