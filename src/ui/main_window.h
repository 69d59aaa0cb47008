// Win32 only: the main window: its class, its creation and its message procedure.
#pragma once

#include <windows.h>

namespace ostrya {

inline constexpr char kMainWindowClass[] = "Ostrya";

struct MainWindow;

// The class's windows keep their state in their user data, handed over at creation.
bool registerMainWindowClass(HINSTANCE instance, HICON icon);
// Lays out tool bar, status bar, panel and list in the client area as it is now.
void layoutMainWindow(MainWindow& w);
// Shows or hides the tool bar and the status bar as the options say.
void showBars(MainWindow& w);
// Shows a window that is minimised or hidden, and brings it to the front.
void restoreAndActivate(HWND window);

}  // namespace ostrya
