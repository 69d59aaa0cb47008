// portable: no platform headers.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrya {

// Heights of owner-drawn popup items from the menu font's text height.
int menuItemHeight(int textHeight);
int menuSeparatorHeight(int textHeight);

// The measure word of an item: a popup item packs its height (bits 0-7), the popup's widest
// shortcut (bits 8-15, only its low 8 bits) and widest label (bits 16-31); a menu-bar item only
// its own label width in bits 16-31, so its low byte of 0 tells it apart.
uint32_t popupMeasure(int height, int shortcutWidth, int labelWidth);
uint32_t menuBarMeasure(int labelWidth);
bool isPopupMeasure(uint32_t measure);
int measureLabelWidth(uint32_t measure);

struct MenuItemSize {
  int width;
  int height;  // 0 for a menu-bar item: the system gives its height
};
MenuItemSize menuItemSize(uint32_t measure);

// An item text split at its first tab: the label, and the shortcut shown right of it.
struct MenuText {
  std::string_view label;
  std::string_view shortcut;
};
MenuText splitMenuText(std::string_view text);

// The mnemonic of an item text: the character after its first "&", upper-cased when it is a
// letter a to z; 0 without one.
char menuMnemonic(std::string_view text);

}  // namespace ostrya
