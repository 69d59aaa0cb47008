// Win32 only: the shell's folder browser for a text field.
#pragma once

#include <windows.h>

namespace ostrya {

// Opens the browser at the folder the field names (or the nearest folder above it) and puts the
// chosen folder into the field. Cancel, or anything the shell cannot do, leaves it as it was.
void browseForFolder(HWND owner, HWND field);

}  // namespace ostrya
