// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/language_table.h"

namespace ostrya {

// Menu item type bits, as the system's menu calls take them.
enum : uint16_t {
  kMenuItemPlain = 0,
  kMenuItemSeparator = 0x800,
  kMenuItemRightJustified = 0x4000,
};

inline constexpr int16_t kMenuSeparatorCommand = -1;
// Menu texts are fetched with this capacity into the item's text buffer.
inline constexpr std::size_t kMenuTextCapacity = 51;

// One item of the main menu. Each array ends with an item whose command is 0. The text buffer
// is filled when a menu is built; owner-drawn menus draw from it and keep the item's measure
// word (menu_metrics.h) beside it.
struct MenuItem {
  int16_t command;
  uint16_t type;
  MenuItem* popup;
  char text[kMenuTextCapacity + 1];
  uint32_t measure = 0;
};

// The main menu's template: the items of the menu bar.
MenuItem* mainMenuTemplate();

// Fills the text buffers of `items` and their popups from the table; a separator's text is
// empty. False as soon as an item that is no separator has no text.
bool fillMenuTexts(MenuItem* items, const LanguageTable* table);

}  // namespace ostrya
