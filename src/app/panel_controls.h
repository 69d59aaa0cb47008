// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "search/search_options.h"

namespace ostrya {

// The search panel's controls and the result list, by their index in the panel control table;
// a control's identifier (and the identifier of its label text) is 60 + its index.
enum PanelIndex : int {
  kPanelSearchForLabel,
  kPanelNamePatterns,
  kPanelLookInLabel,
  kPanelLookIn,
  kPanelContainingLabel,
  kPanelContainingText,
  kPanelBrowse,
  kPanelDrives,
  kPanelHex,
  kPanelOptionsButton,
  kPanelRecurse,
  kPanelWholeWord,
  kPanelCaseSensitive,
  kPanelUnusedLabel,
  kPanelUnused1,
  kPanelUnused2,
  kPanelUnused3,
  kPanelKeepText,
  kPanelWithFilter,
  kPanelFilterButton,
  kPanelArchives,
  kPanelRegex,
  kPanelResultList,
  kPanelControlCount,
};

inline constexpr int kFirstPanelControlId = 60;
constexpr int panelControlId(int index) {
  return kFirstPanelControlId + index;
}
constexpr int panelIndexOfId(int id) {
  return id - kFirstPanelControlId;
}

// What kind of window each control is and how it starts out.
enum class PanelControlKind { Label, Combo, Button, CheckBox, OptionsButton, ContainingText, List };
struct PanelControlSpec {
  PanelControlKind kind;
  bool tabStop;
  bool neverShown;
  // Records itself as the control that last had the focus.
  bool remembersFocus;
};
const PanelControlSpec& panelControlSpec(int index);

// The order the controls are created in: the list first, the containing-text field last of the
// panel's own controls, so that it can be made again without disturbing the others.
inline constexpr int kPanelCreationOrder[kPanelControlCount] = {
    kPanelResultList,    kPanelSearchForLabel, kPanelNamePatterns,   kPanelLookInLabel,
    kPanelLookIn,        kPanelBrowse,         kPanelDrives,         kPanelContainingLabel,
    kPanelHex,           kPanelOptionsButton,  kPanelRecurse,        kPanelWholeWord,
    kPanelCaseSensitive, kPanelUnusedLabel,    kPanelUnused1,        kPanelUnused2,
    kPanelUnused3,       kPanelKeepText,       kPanelWithFilter,     kPanelFilterButton,
    kPanelArchives,      kPanelRegex,          kPanelContainingText,
};

// The tab-stop controls in table order: the ring Tab and Shift+Tab move along.
inline constexpr std::size_t kFocusRingCapacity = 19;

// The option bit each check box stands for.
struct CheckBoxBit {
  int index;
  uint32_t bit;
};
inline constexpr CheckBoxBit kCheckBoxBits[] = {
    {kPanelHex, kOptHex},
    {kPanelKeepText, kOptKeepText},
    {kPanelRecurse, kOptRecurse},
    {kPanelWholeWord, kOptWholeWord},
    {kPanelCaseSensitive, kOptCaseSensitive},
    {kPanelWithFilter, kOptWithFilter},
    {kPanelArchives, kOptArchives},
    {kPanelRegex, kOptRegex},
};

// The options word with every check box's bit set or cleared as `checked(index)` says.
uint32_t optionsFromCheckBoxes(uint32_t options, const std::function<bool(int index)>& checked);

}  // namespace ostrya
