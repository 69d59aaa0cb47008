// portable: no platform headers.
#include "foundation/menu_template.h"

namespace ostrya {
namespace {

constexpr MenuItem item(int16_t command, MenuItem* popup = nullptr,
                        uint16_t type = kMenuItemPlain) {
  return {command, type, popup, {}};
}
constexpr MenuItem separator() {
  return {kMenuSeparatorCommand, kMenuItemSeparator, nullptr, {}};
}
constexpr MenuItem end() {
  return {0, kMenuItemPlain, nullptr, {}};
}

// Popups come before the menus that hold them. The arrays are writable because building a
// menu stores each item's text in it; only the user-interface thread builds menus.
constinit MenuItem kExportMenu[] = {item(112), item(113), item(114), end()};

constinit MenuItem kFileMenu[] = {
    item(102),   item(103),   item(105),
    item(106),   item(107),   item(108),
    item(109),   separator(), item(111, kExportMenu),
    separator(), item(110),   separator(),
    item(101),   end(),
};

constinit MenuItem kEditMenu[] = {item(125), item(126), item(127), end()};

// By attributes (155) has a text but no item.
constinit MenuItem kSortMenu[] = {
    item(151), item(152), item(153),   item(154), item(156),
    item(157), item(158), separator(), item(159), end(),
};

constinit MenuItem kViewMenu[] = {
    item(145), item(146), item(147),   separator(),          item(141), item(142),
    item(143), item(144), separator(), item(150, kSortMenu), end(),
};

constinit MenuItem kExtraMenu[] = {
    item(131), item(133), separator(), item(134), item(135), separator(),
    item(138), item(139), separator(), item(136), end(),
};

constinit MenuItem kOptionsMenu[] = {item(162), item(163), separator(), item(166), end()};

constinit MenuItem kHelpMenu[] = {
    item(171), item(172), separator(), item(173), separator(), item(174), end(),
};

// The switch list item and Help sit at the right end of the menu bar.
constinit MenuItem kMenuBar[] = {
    item(100, kFileMenu),
    item(120, kEditMenu),
    item(140, kViewMenu),
    item(130, kExtraMenu),
    item(160, kOptionsMenu),
    item(30000, nullptr, kMenuItemRightJustified),
    item(170, kHelpMenu, kMenuItemRightJustified),
    end(),
};

}  // namespace

MenuItem* mainMenuTemplate() {
  return kMenuBar;
}

// The template is fixed and two popups deep, so the recursion is bounded by it.
bool fillMenuTexts(MenuItem* items, const LanguageTable* table) {
  for (MenuItem* item = items; item->command != 0; ++item) {
    item->text[0] = '\0';
    if (item->command > 0) {
      getText(table, static_cast<uint32_t>(item->command), item->text, kMenuTextCapacity);
      if (item->text[0] == '\0') return false;
    }
    if (item->popup != nullptr && !fillMenuTexts(item->popup, table)) return false;
  }
  return true;
}

}  // namespace ostrya
