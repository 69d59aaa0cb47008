// Win32 only: commands whose work the program does not do yet. Each is accepted where the
// menu, the tool bar or a key sends it and ends here, so that the work has one place to go.
#pragma once

#include <windows.h>

#include "results/export.h"

namespace ostrya {

struct MainWindow;

// File operations on the selected rows.
void makeShortcuts(MainWindow& w);
void runSelection(MainWindow& w);
void editSelection(MainWindow& w);
void copySelection(MainWindow& w);
void moveSelection(MainWindow& w);
void startRename(MainWindow& w);
void deleteSelection(MainWindow& w);
void showProperties(MainWindow& w);
void registerModules(MainWindow& w, bool unregister);

// Writing the result list to a file.
void exportList(MainWindow& w, ExportFormat format);

// Dialogs.
void editFilter(MainWindow& w);
void editConfiguration(MainWindow& w);

// Shell integration.
void browseForLookInFolder(MainWindow& w);
void selectDrives(MainWindow& w);
void showSwitchList(MainWindow& w);
void showShellContextMenu(MainWindow& w, int x, int y);
void startDrag(MainWindow& w);

void openHomePage(MainWindow& w);
void showAbout(MainWindow& w);

}  // namespace ostrya
