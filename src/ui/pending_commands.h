// Win32 only: commands whose work the program does not do yet. Each is accepted where the
// menu, the tool bar or a key sends it and ends here, so that the work has one place to go.
#pragma once

#include <windows.h>

namespace ostrya {

struct MainWindow;

// Dialogs.
void editFilter(MainWindow& w);
void editConfiguration(MainWindow& w);

// Shell integration.
void selectDrives(MainWindow& w);
void showSwitchList(MainWindow& w);
void showShellContextMenu(MainWindow& w, int x, int y);
void startDrag(MainWindow& w);

void openHomePage(MainWindow& w);
void showAbout(MainWindow& w);

}  // namespace ostrya
