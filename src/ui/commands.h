// Win32 only: what each command of the main window does, and which commands are greyed.
#pragma once

#include <windows.h>

namespace ostrya {

void onCommand(HWND window, WPARAM wParam);
// Greys and enables the menu items and tool bar buttons as the list and the search now stand.
void refreshCommandStates();
// Checks and radio marks of the View menu, then the owner-drawn preparation.
void onInitMenuPopup(HWND window, HMENU menu, bool systemMenu);

}  // namespace ostrya
