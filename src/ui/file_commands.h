// Win32 only: the commands that act on the found files themselves: shortcut, run, edit, copy,
// move, rename, delete, properties, and registering modules.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

namespace ostrya {

struct MainWindow;

void makeShortcuts(MainWindow& w);
void runSelection(MainWindow& w);
void editSelection(MainWindow& w);
void copySelection(MainWindow& w);
void moveSelection(MainWindow& w);
void deleteSelection(MainWindow& w);
void showProperties(MainWindow& w);
void registerModules(MainWindow& w, bool unregister);

// Renaming in place: the command starts the list's label edit, the list's notifications allow
// and finish it, and Esc cancels it.
void startRename(MainWindow& w);
LRESULT onBeginLabelEdit(MainWindow& w, const NMLVDISPINFOA& edit);
LRESULT onEndLabelEdit(MainWindow& w, const NMLVDISPINFOA& edit);
void cancelRename(MainWindow& w, HWND editControl);

}  // namespace ostrya
