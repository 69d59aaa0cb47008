// Win32 only: what each command of the main window does, and which commands are greyed.
#pragma once

#include <windows.h>

namespace ostrya {

struct MainWindow;

void onCommand(MainWindow& w, WPARAM wParam);
// Greys and enables the menu items and tool bar buttons as the list and the search now stand.
void refreshCommandStates(MainWindow& w);
// Checks and radio marks of the View menu, then the owner-drawn preparation.
void onInitMenuPopup(MainWindow& w, HMENU menu, bool systemMenu);

}  // namespace ostrya
