// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// The windows whose texts are relabelled when the language changes.
enum class LabelledWindow {
  SearchPanel,
  DateTimePicker,
  Filter,
  DriveSelection,
  CopyTarget,
  Configuration,
};

// The caption's text identifier (0: the caption stays), then the identifiers of the controls to
// relabel, each also the identifier of its text; 0 ends the list.
const uint16_t* dialogLabels(LabelledWindow window);

}  // namespace ostrya
