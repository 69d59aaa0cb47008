// Win32 only: the main menu drawn by the program itself, in tints of the system colours.
#pragma once

#include <windows.h>

#include "ui/gdi_owners.h"

namespace ostrya {

// The 16-by-16 command images and the radio mark the items are drawn with.
class MenuArt {
 public:
  // Once, when the main window is made.
  void load(HINSTANCE instance);
  void drawItem(const DRAWITEMSTRUCT& item) const;

 private:
  OwnedImageList images_;
  OwnedIcon radioDot_;
};

// Marks the items of a menu owner-drawn and stores their measure words: the menu bar once it is
// built, a popup each time it opens.
void prepareOwnerDrawnMenu(HWND window, HMENU menu, bool menuBar);
void measureMenuItem(MEASUREITEMSTRUCT& item);
// WM_MENUCHAR: the item whose mnemonic is the key, or 0 to let the system ignore the key.
LRESULT menuCharacter(HMENU menu, char key, UINT flags);

}  // namespace ostrya
