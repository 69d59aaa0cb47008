// Win32 only: commands whose work the program does not do yet. Each function is where that work
// will go; until then the command is accepted and nothing visible happens.
#include "ui/pending_commands.h"

namespace ostrya {

void editFilter(MainWindow&) {}
void editConfiguration(MainWindow&) {}

void selectDrives(MainWindow&) {}
void showSwitchList(MainWindow&) {}
void showShellContextMenu(MainWindow&, int, int) {}
void startDrag(MainWindow&) {}

void openHomePage(MainWindow&) {}
void showAbout(MainWindow&) {}

}  // namespace ostrya
