// Win32 only: the popup list of the other top-level windows, to bring one of them forward.
#pragma once

#include <windows.h>

#include <string>

namespace ostrya {

struct MainWindow;

// Shows the list at the cursor and restores and activates the window chosen.
void showSwitchList(MainWindow& w);
// The title a window is listed, measured and drawn with.
std::string listedTitle(HWND window);

}  // namespace ostrya
