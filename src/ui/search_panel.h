// Win32 only: the search panel's controls, their layout, check boxes, histories and focus.
#pragma once

#include <windows.h>

#include "app/panel_controls.h"
#include "app/panel_layout.h"
#include "ui/gdi_owners.h"

namespace ostrya {

struct MainWindow;
class ConfigStore;

struct SearchPanel {
  // Every control of the panel and the result list, by panel index.
  HWND controls[kPanelControlCount] = {};
  // The controls' own procedures, for those that record the focus.
  WNDPROC procs[kPanelControlCount] = {};
  HWND focusRing[kFocusRingCapacity] = {};
  int lastFocusIndex = kPanelNamePatterns;
  // The combo box whose list is dropped down; 0 when none is.
  int openDropDown = 0;
  OwnedFont font;
  OwnedFont optionsButtonFont;
  int comboItemHeight = 0;
  bool laidOut = false;
  int minimumTrackWidth = 0;
  int minimumTrackHeight = 0;
};

// Creates the result list and the panel's controls, gives them the panel font, shows them and
// builds the focus ring. Returns how many of the 23 controls could not be made.
int buildSearchPanel(MainWindow& w);
// Moves every control into the band between the tool bar and the status bar.
void layoutSearchPanel(SearchPanel& panel, const PanelBand& band, uint32_t options);
void showPanelControls(const SearchPanel& panel);

// The check boxes mirror bits of the options word.
void setCheckBoxesFromOptions(HWND mainWindow, uint32_t options);
// Takes every check box into the options word and saves it.
void readCheckBoxesIntoOptions(MainWindow& w);
// The containing-text field as the keep-containing-text bit asks: a history combo box or an
// edit field. Keeps the typed text.
void recreateContainingText(MainWindow& w);

void drawOptionsButton(MainWindow& w, const DRAWITEMSTRUCT& item);

// The tab-stop controls in table order; rebuilt whenever a control of the ring is made anew.
void buildFocusRing(SearchPanel& panel);
void moveFocusAlongRing(const SearchPanel& panel, bool backwards);
void focusRememberedControl(const SearchPanel& panel);
// Subclasses a control so that it records itself as the one that last had the focus.
void rememberFocusOf(SearchPanel& panel, int index);

// The combo box histories: the name patterns', the look-in list's and, in its combo form, the
// containing text's, by their sections of the settings file.
inline constexpr char kFindHistory[] = "Find";
inline constexpr char kPathHistory[] = "Path";
inline constexpr char kTextHistory[] = "Text";
void loadHistory(ConfigStore& config, HWND combo, const char* section);
void saveHistory(ConfigStore& config, HWND combo, const char* section);
void useHistoryText(HWND combo, const char* text);

// In HEX mode the containing text holds only blanks and hexadecimal digits.
void cleanHexField(HWND field);
// At a search start in HEX mode: the bytes rewritten as "4D 5A ".
void rewriteHexField(HWND field);

}  // namespace ostrya
