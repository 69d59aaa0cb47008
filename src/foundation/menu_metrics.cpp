// portable: no platform headers.
#include "foundation/menu_metrics.h"

#include <algorithm>

namespace ostrya {
namespace {

// Room around the texts of a popup item: the icon band and margins.
constexpr int kPopupExtraWidth = 42;
// A menu-bar item keeps a strip on its right for the open tab's frame.
constexpr int kMenuBarExtraWidth = 4;

}  // namespace

int menuItemHeight(int textHeight) {
  return std::max(std::max(textHeight + 2, 16) + 4, 20);
}

int menuSeparatorHeight(int textHeight) {
  return textHeight / 2 + 2;
}

uint32_t popupMeasure(int height, int shortcutWidth, int labelWidth) {
  return (static_cast<uint32_t>(height) & 0xFF) |
         (static_cast<uint32_t>(shortcutWidth) & 0xFF) << 8 |
         static_cast<uint32_t>(labelWidth) << 16;
}

uint32_t menuBarMeasure(int labelWidth) {
  return static_cast<uint32_t>(labelWidth) << 16;
}

bool isPopupMeasure(uint32_t measure) {
  return (measure & 0xFF) != 0;
}

int measureLabelWidth(uint32_t measure) {
  return static_cast<int>(measure >> 16);
}

MenuItemSize menuItemSize(uint32_t measure) {
  if (!isPopupMeasure(measure)) return {measureLabelWidth(measure) + kMenuBarExtraWidth, 0};
  const int shortcut = static_cast<int>((measure >> 8) & 0xFF);
  return {measureLabelWidth(measure) + shortcut + kPopupExtraWidth,
          static_cast<int>(measure & 0xFF)};
}

MenuText splitMenuText(std::string_view text) {
  const std::size_t tab = text.find('\t');
  if (tab == std::string_view::npos) return {text, {}};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

char menuMnemonic(std::string_view text) {
  const std::size_t amp = text.find('&');
  if (amp == std::string_view::npos || amp + 1 >= text.size()) return 0;
  const char c = text[amp + 1];
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

}  // namespace ostrya
