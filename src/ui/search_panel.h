// Win32 only: the search panel's controls, their layout, check boxes, histories and focus.
#pragma once

#include <windows.h>

#include "app/panel_layout.h"

namespace ostrya {

// Creates the result list and the panel's controls, gives them the panel font, shows them and
// builds the focus ring. Returns how many of the 23 controls could not be made.
int buildSearchPanel(HWND mainWindow);
// Moves every control into the band between the tool bar and the status bar.
void layoutSearchPanel(const PanelBand& band);
void showPanelControls();

// The check boxes mirror bits of the options word.
void setCheckBoxesFromOptions();
// Takes every check box into the options word and saves it.
void readCheckBoxesIntoOptions();
// The containing-text field as the keep-containing-text bit asks: a history combo box or an
// edit field. Keeps the typed text.
void recreateContainingText();

void drawOptionsButton(const DRAWITEMSTRUCT& item);

// The tab-stop controls in table order; rebuilt whenever a control of the ring is made anew.
void buildFocusRing();
void moveFocusAlongRing(bool backwards);
// A panel control that got the focus by a click into a combo box's edit field.
void rememberFocus(int index);
void focusRememberedControl();
// Subclasses a control so that it records itself as the one that last had the focus.
void rememberFocusOf(int index);

// The combo box histories: Find (61), Path (63) and, in its combo form, Text (65).
void loadHistory(int index, const char* section);
void saveHistory(int index, const char* section);
void useHistoryText(HWND combo, const char* text);

// In HEX mode the containing text holds only blanks and hexadecimal digits.
void cleanHexField();
// At a search start in HEX mode: the bytes rewritten as "4D 5A ".
void rewriteHexField();

}  // namespace ostrya
