// Win32 only: what every dialog of the program does when it opens.
#pragma once

#include <windows.h>

namespace ostrya {

// Puts the dialog in the middle of its owner, kept on the owner's monitor's work area.
void centreOver(HWND dialog, HWND owner);
// The question-mark button in the caption.
void addContextHelp(HWND dialog);
// OK comes from Enter (IDOK) or from the button itself, whose identifier is 99 in every dialog.
constexpr bool isOkCommand(int id) {
  return id == IDOK || id == 99;
}

}  // namespace ostrya
