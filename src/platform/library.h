// portable: no platform headers.
// Run-time loading of outside libraries; each side loads what its system has.
#pragma once

namespace ostrya::platform {

// The calling convention of an outside library's functions and of the callbacks it is given.
#ifdef _WIN32
#define OSTRYA_LIBRARY_CALL __stdcall
#else
#define OSTRYA_LIBRARY_CALL
#endif

// A loaded library; null where the system has none of that name (always outside Windows, where
// the outside libraries the program loads do not exist).
using Library = void*;
Library loadLibrary(const char* name);
// An exported function, or null.
void* libraryFunction(Library library, const char* name);
void freeLibrary(Library library);

}  // namespace ostrya::platform
