// Win32 only: the shell's own context menu for the selected files.
#pragma once

#include <shlobj.h>

namespace ostrya {

struct MainWindow;

// The menu while it shows. Some of its items (Send To, Open With) are drawn by the shell, which
// hears of them only through the owner window's messages.
struct OpenContextMenu {
  // Held by the code that shows the menu; null when no menu shows or it cannot draw.
  IContextMenu2* menu = nullptr;
};

// At a point on the screen; what is chosen is done by the shell. The list stays as it was.
void showShellContextMenu(MainWindow& w, int x, int y);
// Hands a menu message of the main window to the open menu; false when none is open or the
// message is not one of its own.
bool forwardToContextMenu(const OpenContextMenu& open, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result);

}  // namespace ostrya
