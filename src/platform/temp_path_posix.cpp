// POSIX side of the temporary folder: TMPDIR, else /tmp.
#include <cstdlib>

#include "platform/temp_path.h"

namespace ostrya::platform {

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder && folder[0] ? folder : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

}  // namespace ostrya::platform
