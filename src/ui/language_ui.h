// Win32 only: the language of every visible text, the language dialog and the main menu.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "foundation/language_table.h"

namespace ostrya {

struct MainWindow;

struct Languages {
  const LanguageTable* current = &englishLanguage();
  std::unique_ptr<LanguageTable> loaded;
  // Loaded tables replaced while a run may still read them; released when no run does.
  std::vector<std::unique_ptr<LanguageTable>> retired;
  // The configured language's code; empty until one is chosen.
  char code[4] = "";
};

// Sets a window's caption and its controls' texts from the table: the caption's identifier
// (0: the caption stays), then the controls', each also its text's identifier, 0 ending the list.
void labelWindow(HWND window, const LanguageTable* table, const uint16_t* labels);
// Makes the language of the held (or configured) code current and relabels the window: menu,
// panel, column titles, command states. Asks for a language when none is configured.
void applyLanguage(MainWindow& w);
// The language dialog; a chosen code is kept and written to the configuration. Returns true when
// a code is held afterwards.
bool chooseLanguage(MainWindow& w, HWND owner);
// Replaces the window's menu with one built from the template in the current language.
void buildMainMenu(MainWindow& w);
// Opens the help file of the current language, or the English one (command 171).
void openHelp(const MainWindow& w);
// Writes the English texts as the template language file (command 167).
void writeLanguageTemplateFile(const MainWindow& w);

}  // namespace ostrya
