// Win32 only: commands whose work the program does not do yet. Each function is where that work
// will go; until then the command is accepted and nothing visible happens.
#include "ui/pending_commands.h"

namespace ostrya {

void makeShortcuts() {}
void runSelection() {}
void editSelection() {}
void copySelection() {}
void moveSelection() {}
void startRename() {}
void deleteSelection() {}
void showProperties() {}
void registerModules(bool) {}

void exportList(ExportFormat) {}

void editFilter() {}
void editConfiguration() {}

void browseForLookInFolder() {}
void selectDrives() {}
void showSwitchList() {}
void showShellContextMenu(int, int) {}
void startDrag() {}

void openHomePage() {}
void showAbout() {}

}  // namespace ostrya
