// Win32 only: the search filter's dialog.
#pragma once

namespace ostrya {

struct MainWindow;

// Edits the filter; OK keeps it in the settings and makes it the one the next search uses.
void editFilter(MainWindow& w);

}  // namespace ostrya
