// Win32 only: commands whose work the program does not do yet. Each is accepted where the
// menu, the tool bar or a key sends it and ends here, so that the work has one place to go.
#pragma once

#include <windows.h>

#include "results/export.h"

namespace ostrya {

// File operations on the selected rows.
void makeShortcuts();
void runSelection();
void editSelection();
void copySelection();
void moveSelection();
void startRename();
void deleteSelection();
void showProperties();
void registerModules(bool unregister);

// Writing the result list to a file.
void exportList(ExportFormat format);

// Dialogs.
void editFilter();
void editConfiguration();

// Shell integration.
void browseForLookInFolder();
void selectDrives();
void showSwitchList();
void showShellContextMenu(int x, int y);
void startDrag();

void openHomePage();
void showAbout();

}  // namespace ostrya
