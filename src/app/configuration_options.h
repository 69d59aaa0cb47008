// portable: no platform headers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "app/column_table.h"
#include "app/option_bits.h"
#include "app/panel_controls.h"

namespace ostrya {

// The configuration dialog's pages: a title text and the controls shown while it is selected.
struct ConfigurationPage {
  uint16_t titleId;
  std::span<const uint16_t> controls;
};

inline constexpr int kFullRowSelectBox = 5201;
inline constexpr int kGridLinesBox = 5202;
inline constexpr int kTrayIconBox = 5203;
inline constexpr int kAlwaysOnTopBox = 5204;
// Column row r has box 50 + r; the page has one more control after them.
inline constexpr int kFirstColumnBox = 50;
inline constexpr int kColumnPageFrame = 56;

inline constexpr uint16_t kGeneralPageControls[] = {kFullRowSelectBox, kGridLinesBox, kTrayIconBox,
                                                    kAlwaysOnTopBox};
// The search panel's own check boxes, under the panel's identifiers.
inline constexpr uint16_t kSearchPageControls[] = {
    panelControlId(kPanelRecurse),       panelControlId(kPanelWholeWord),
    panelControlId(kPanelCaseSensitive), panelControlId(kPanelKeepText),
    panelControlId(kPanelWithFilter),    panelControlId(kPanelArchives),
    panelControlId(kPanelRegex)};
inline constexpr uint16_t kColumnPageControls[] = {
    kFirstColumnBox,     kFirstColumnBox + 1, kFirstColumnBox + 2, kFirstColumnBox + 3,
    kFirstColumnBox + 4, kFirstColumnBox + 5, kColumnPageFrame};

inline constexpr ConfigurationPage kConfigurationPages[] = {
    {5200, kGeneralPageControls},
    {69, kSearchPageControls},
    {5300, kColumnPageControls},
};

// A check box of the dialog and the option bit it shows; an inverted box is checked while the
// bit is clear.
struct OptionBox {
  uint16_t control;
  uint32_t bit;
  bool inverted;
};
inline constexpr OptionBox kOptionBoxes[] = {
    {kFullRowSelectBox, kOptFullRowSelect, false},
    {kGridLinesBox, kOptGridLines, false},
    {kTrayIconBox, kOptNoTray, true},
    {kAlwaysOnTopBox, kOptAlwaysOnTop, false},
    {panelControlId(kPanelRecurse), kOptRecurse, false},
    {panelControlId(kPanelWholeWord), kOptWholeWord, false},
    {panelControlId(kPanelCaseSensitive), kOptCaseSensitive, false},
    {panelControlId(kPanelKeepText), kOptKeepText, false},
    {panelControlId(kPanelWithFilter), kOptWithFilter, false},
    {panelControlId(kPanelArchives), kOptArchives, false},
    {panelControlId(kPanelRegex), kOptRegex, false},
};

bool optionBoxChecked(uint32_t options, const OptionBox& box);
// The options word with every option box's bit taken from `checked(control)`.
uint32_t optionsFromBoxes(uint32_t options, const std::function<bool(int control)>& checked);

// Whether the box of a column row starts checked: Name always, the others while they show.
bool columnBoxChecked(const ColumnTable& columns, std::size_t row);
// Shows the checked hidden columns after the visible ones and hides the unchecked visible ones;
// Name stays whatever its box says. Returns how many columns changed.
int applyColumnBoxes(ColumnTable& columns, const std::array<bool, kColumnCount>& checked);

// One rectangle of the title bar's gradient; colours are 0x00BBGGRR.
struct TitleBand {
  int x;
  int width;
  uint32_t colour;
};
// The bands that fill a title bar `width` pixels wide, from the caption colour at the left to
// the face colour at the right.
std::vector<TitleBand> titleBarBands(uint32_t caption, uint32_t face, int width);

}  // namespace ostrya
