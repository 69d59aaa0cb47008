// Win32 only: the main window: its class, its creation and its message procedure.
#pragma once

#include <windows.h>

namespace ostrya {

inline constexpr char kMainWindowClass[] = "Ostrya";

bool registerMainWindowClass(HINSTANCE instance, HICON icon);
// Lays out tool bar, status bar, panel and list in the client area as it is now.
void layoutMainWindow();
// Shows a window that is minimised or hidden, and brings it to the front.
void restoreAndActivate(HWND window);

}  // namespace ostrya
