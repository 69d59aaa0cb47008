// Win32 only: the drive selection dialog, which fills the look-in field with chosen drive roots.
#pragma once

namespace ostrya {

struct MainWindow;

// The roots chosen replace the look-in text, joined by ";"; Cancel or no choice leaves it.
void selectDrives(MainWindow& w);

}  // namespace ostrya
