// Win32 only: what every dialog of the program does when it opens.
#pragma once

#include <windows.h>

namespace ostrya {

// Puts the dialog in the middle of its owner, kept on the owner's monitor's work area.
void centreOver(HWND dialog, HWND owner);
// The question-mark button in the caption.
void addContextHelp(HWND dialog);
// What a dialog was opened with, the last argument of DialogBoxParam: kept at WM_INITDIALOG and
// found again for the dialog's later messages, and for its subclassed controls through their
// parent, until the dialog is gone.
template <typename State>
State& keepDialogState(HWND dialog, LPARAM state) {
  SetWindowLongPtrA(dialog, DWLP_USER, state);
  return *reinterpret_cast<State*>(state);
}
template <typename State>
State* dialogState(HWND dialog) {
  return reinterpret_cast<State*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// OK comes from Enter (IDOK) or from the button itself, whose identifier is 99 in every dialog.
constexpr bool isOkCommand(int id) {
  return id == IDOK || id == 99;
}

}  // namespace ostrya
