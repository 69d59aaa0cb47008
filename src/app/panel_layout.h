// portable: no platform headers.
#pragma once

#include "app/panel_controls.h"

namespace ostrya {

struct Rect {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const Rect&) const = default;
};

// Where the search panel's controls and the result list go in the band between the tool bar
// and the status bar. Everything derives from one measure: the item height of a combo box.
struct PanelLayout {
  // By panel index; `placed` is false for the controls that are never moved (73 to 76).
  Rect controls[kPanelControlCount];
  bool placed[kPanelControlCount];
  int panelHeight;
  int minimumTrackWidth;
  int minimumTrackHeight;
};

struct PanelBand {
  int top;     // below the tool bar
  int width;   // of the client area
  int height;  // free height above the status bar
};

// A combo box that reports no item height is taken to have 14.
inline constexpr int kDefaultComboItemHeight = 14;

PanelLayout layoutPanel(const PanelBand& band, int comboItemHeight, bool optionsExpanded,
                        bool containingTextIsCombo);

// The status bar's three parts end at `edges` (-1: the right border); the progress bar sits
// inside it.
struct StatusLayout {
  int edges[3];
  Rect progress;
};
StatusLayout layoutStatusBar(int clientWidth, int statusHeight);

}  // namespace ostrya
