// portable: no platform headers.
#pragma once

#include <cstdint>

#include "search/search_options.h"

namespace ostrya {

// The bits of the options word that only the window reads; the search bits are SearchOption.
enum ViewOption : uint32_t {
  kOptNoToolBar = 0x1,
  kOptNoStatusBar = 0x2,
  kOptNoTray = 0x4,
  kOptNoIcons = 0x8,
  kOptOptionsExpanded = 0x10,
  kOptViewMode = 0xF00,
  kOptViewLargeIcons = 0x100,
  kOptViewSmallIcons = 0x200,
  kOptViewList = 0x400,
  kOptViewDetails = 0,
  kOptAlwaysOnTop = 0x200000,
  kOptFullRowSelect = 0x400000,
  kOptGridLines = 0x800000,
};

// The options word with the bit set or cleared, as a check box for it shows.
constexpr uint32_t withOption(uint32_t options, uint32_t bit, bool on) {
  return on ? options | bit : options & ~bit;
}

// A stored word of 0 is a first start, which recurses folders and shows everything else.
constexpr uint32_t optionsAtStart(uint32_t stored) {
  return stored != 0 ? stored : kOptRecurse;
}

}  // namespace ostrya
