// POSIX side of the shell services: there is no shell to name types or match paths.
#include <sys/stat.h>

#include "platform/path.h"
#include "platform/shell.h"

namespace ostrya::platform {

void shellTypeName(const char*, char* out, std::size_t capacity) {
  if (capacity) out[0] = '\0';
}

void windowsDirectory(char* out, std::size_t capacity) {
  if (capacity) out[0] = '\0';
}

PathMatchFunction lookUpPathMatchSpec() {
  return nullptr;
}

bool isDirectory(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace ostrya::platform
