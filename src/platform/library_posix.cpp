// POSIX side of run-time library loading.
#include "platform/library.h"

namespace ostrya::platform {

// The libraries the program loads are Windows modules: none is found here.
Library loadLibrary(const char*) {
  return nullptr;
}

void* libraryFunction(Library, const char*) {
  return nullptr;
}

void freeLibrary(Library) {}

}  // namespace ostrya::platform
