// Win32 only: the configuration dialog and what the main window applies after it.
#pragma once

namespace ostrya {

struct MainWindow;

// Command 162: the view options, the search options and the visible columns, applied to the
// window when the dialog ends with OK.
void editConfiguration(MainWindow& w);

}  // namespace ostrya
