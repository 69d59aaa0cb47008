// portable: no platform headers.
#include "app/panel_layout.h"

namespace ostrya {

// Every measure is a multiple of the combo box item height h, so the panel scales with the
// font: a row is h + 2 high, a field starts after a label six rows wide, the options area steps
// one and a half rows per line.
PanelLayout layoutPanel(const PanelBand& band, int comboItemHeight, bool optionsExpanded,
                        bool containingTextIsCombo) {
  const int h = comboItemHeight != 0 ? comboItemHeight : kDefaultComboItemHeight;
  const int T = band.top;
  const int W = band.width;
  const int R = h + 2;
  const int B = h + 6;            // button width
  const int Bh = h + 8;           // button height
  const int L = 6 * R;            // label width
  const int F = W - 10 * h - 32;  // field width; negative in a very narrow window
  const int half = R / 2;
  const int S = R + half;  // row step of the options area
  const int HW = W / 2 - half - 1;
  const int CW = HW - half - 6;         // check box width
  const int CW2 = CW - (B + half - 1);  // check boxes that share their row with a button
  // A combo box is as tall as its open list; its closed height is the system's.
  const int comboHeight = 8 * R;

  PanelLayout layout = {};
  auto put = [&layout](int index, Rect rect) {
    layout.controls[index] = rect;
    layout.placed[index] = true;
  };
  put(kPanelSearchForLabel, {R, T + 10, L, R});
  put(kPanelNamePatterns, {R + L, T + 7, F, comboHeight});
  put(kPanelLookInLabel, {R, T + 2 * h + 10, L, R});
  put(kPanelLookIn, {R + L, T + 2 * h + 7, F, comboHeight});
  put(kPanelBrowse, {W - R - 2 * B - 2, T + 2 * h + 7, B, Bh});
  put(kPanelDrives, {W - R - B, T + 2 * h + 7, B, Bh});
  put(kPanelContainingLabel, {R, T + 4 * h + 10, L, R});
  put(kPanelContainingText, {R + L, T + 4 * h + 7, F, containingTextIsCombo ? comboHeight : Bh});
  put(kPanelHex, {W - R - 2 * B - 2, T + 4 * h + 9, R + 2 * B, Bh});
  put(kPanelOptionsButton, {R, T + 6 * h + 10, W - 2 * R, R});

  if (optionsExpanded) {
    const int Y = T + 8 * h + 10;
    const int X2 = W - HW;
    put(kPanelRecurse, {R, Y, CW, R});
    put(kPanelWholeWord, {R, Y + S, CW, R});
    put(kPanelCaseSensitive, {R, Y + 2 * S, CW, R});
    put(kPanelKeepText, {X2, Y, CW, R});
    put(kPanelWithFilter, {X2, Y + S, CW2, R});
    put(kPanelFilterButton, {W - R - B, Y + S - 4, B, Bh});
    put(kPanelArchives, {X2, Y + 2 * S, CW2, R});
    put(kPanelRegex, {X2, Y + 3 * S, CW2, R});
    layout.panelHeight = 6 * h + 18 + 5 * S;
  } else {
    for (int index : {kPanelRecurse, kPanelWholeWord, kPanelCaseSensitive, kPanelKeepText,
                      kPanelWithFilter, kPanelFilterButton, kPanelArchives, kPanelRegex})
      put(index, {0, 0, 0, 0});
    layout.panelHeight = 7 * h + 20;
  }
  const int P = layout.panelHeight;
  put(kPanelResultList, {0, T + P, W, band.height - P});
  layout.minimumTrackWidth = 14 * R;
  layout.minimumTrackHeight = T + P + 9 * h + 2;
  return layout;
}

// Two equal parts for the folder or selection and for the totals, and a small one for the
// searching icon; the progress bar covers the totals part right of its label.
StatusLayout layoutStatusBar(int clientWidth, int statusHeight) {
  const int b = (clientWidth - 38) / 2;
  return {{b, 2 * b, -1}, {b + 54, 4, b - 56, statusHeight - 6}};
}

}  // namespace ostrya
