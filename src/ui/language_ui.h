// Win32 only: the language of every visible text, the language dialog and the main menu.
#pragma once

#include <windows.h>

namespace ostrya {

// Makes the language of the held (or configured) code current and relabels the window: menu,
// panel, column titles, command states. Asks for a language when none is configured.
void applyLanguage(HWND mainWindow);
// The language dialog; a chosen code is kept and written to the configuration. Returns true when
// a code is held afterwards.
bool chooseLanguage(HWND owner);
// Replaces the window's menu with one built from the template in the current language.
void buildMainMenu(HWND mainWindow);
// Opens the help file of the current language, or the English one (command 171).
void openHelp(HWND mainWindow);
// Writes the English texts as the template language file (command 167).
void writeLanguageTemplateFile(HWND mainWindow);

}  // namespace ostrya
