// portable: no platform headers.
#include "app/panel_controls.h"

#include "app/option_bits.h"

namespace ostrya {
namespace {

using K = PanelControlKind;

// The hidden label and check boxes (kPanelUnusedLabel to kPanelUnused3) are created for the table's
// sake and never shown; the check boxes keep their tab stop, so the ring holds them but skips them
// as invisible.
constexpr PanelControlSpec kSpecs[kPanelControlCount] = {
    {K::Label, false, false, false},  {K::Combo, true, false, true},
    {K::Label, false, false, false},  {K::Combo, true, false, true},
    {K::Label, false, false, false},  {K::ContainingText, true, false, true},
    {K::Button, true, false, true},   {K::Button, true, false, true},
    {K::CheckBox, true, false, true}, {K::OptionsButton, true, false, true},
    {K::CheckBox, true, false, true}, {K::CheckBox, true, false, true},
    {K::CheckBox, true, false, true}, {K::Label, false, true, false},
    {K::CheckBox, true, true, false}, {K::CheckBox, true, true, false},
    {K::CheckBox, true, true, false}, {K::CheckBox, true, false, true},
    {K::CheckBox, true, false, true}, {K::Button, true, false, true},
    {K::CheckBox, true, false, true}, {K::CheckBox, true, false, true},
    {K::List, true, false, true},
};

}  // namespace

const PanelControlSpec& panelControlSpec(int index) {
  return kSpecs[index];
}

uint32_t optionsFromCheckBoxes(uint32_t options, const std::function<bool(int index)>& checked) {
  for (const CheckBoxBit& box : kCheckBoxBits)
    options = withOption(options, box.bit, checked(box.index));
  return options;
}

}  // namespace ostrya
