// Windows side of run-time library loading.
#include <windows.h>

#include "platform/library.h"

namespace ostrya::platform {

Library loadLibrary(const char* name) {
  return LoadLibraryA(name);
}

void* libraryFunction(Library library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(Library library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace ostrya::platform
