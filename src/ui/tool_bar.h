// Win32 only: the tool bar.
#pragma once

#include <windows.h>

namespace ostrya {

bool createToolBar(HWND mainWindow);
// Passes the new size on; returns the bar's height (0 when hidden).
int fitToolBar();

}  // namespace ostrya
