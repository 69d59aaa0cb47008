// POSIX side of the temporary folder: TMPDIR, else /tmp.
#include <stdlib.h>

#include <cstdlib>
#include <vector>

#include "platform/temp_path.h"

namespace ostrya::platform {

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder && folder[0] ? folder : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

// mkdtemp makes the folder with mode 0700 and fails rather than take an existing name.
std::string createPrivateFolder(const std::string& parent, const char* prefix) {
  std::string pattern = parent + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) return std::string();
  return std::string(name.data()) + '/';
}

}  // namespace ostrya::platform
