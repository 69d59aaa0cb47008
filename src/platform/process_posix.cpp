// POSIX side of the process services.
#include <limits.h>
#include <unistd.h>

#include "platform/process.h"

namespace ostrya::platform {

std::string programPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

std::string currentDirectory() {
  char path[PATH_MAX];
  return getcwd(path, sizeof path) ? std::string(path) : std::string(".");
}

}  // namespace ostrya::platform
