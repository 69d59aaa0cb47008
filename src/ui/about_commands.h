// Win32 only: the Help menu's about box and its Go Online command.
#pragma once

namespace ostrya {

struct MainWindow;

// The program's name, version and home page, with its icon.
void showAbout(MainWindow& w);
// The home page in the user's browser.
void openHomePage(MainWindow& w);

}  // namespace ostrya
