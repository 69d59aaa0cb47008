// Win32 only: commands whose work the program does not do yet. Each function is where that work
// will go; until then the command is accepted and nothing visible happens.
#include "ui/pending_commands.h"

namespace ostrya {

void makeShortcuts(MainWindow&) {}
void runSelection(MainWindow&) {}
void editSelection(MainWindow&) {}
void copySelection(MainWindow&) {}
void moveSelection(MainWindow&) {}
void startRename(MainWindow&) {}
void deleteSelection(MainWindow&) {}
void showProperties(MainWindow&) {}
void registerModules(MainWindow&, bool) {}

void exportList(MainWindow&, ExportFormat) {}

void editFilter(MainWindow&) {}
void editConfiguration(MainWindow&) {}

void browseForLookInFolder(MainWindow&) {}
void selectDrives(MainWindow&) {}
void showSwitchList(MainWindow&) {}
void showShellContextMenu(MainWindow&, int, int) {}
void startDrag(MainWindow&) {}

void openHomePage(MainWindow&) {}
void showAbout(MainWindow&) {}

}  // namespace ostrya
