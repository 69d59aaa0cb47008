// portable: no platform headers.
#include "foundation/dialog_labels.h"

namespace ostrya {
namespace {

// OK (99) and Cancel (2) have the same identifiers in every dialog, so one pair of texts
// serves them all.
constexpr uint16_t kSearchPanelLabels[] = {0, 60, 62, 64, 68, 77, 70, 71, 72, 78, 80, 81, 0};
constexpr uint16_t kDateTimePickerLabels[] = {2200, 99, 2, 2211, 2212, 2213, 0};
constexpr uint16_t kFilterLabels[] = {2300, 99,   2,    2320, 2321, 2322, 2323, 2324,
                                      2325, 2305, 2306, 2307, 2308, 2309, 0};
constexpr uint16_t kDriveSelectionLabels[] = {2100, 99, 2, 0};
// Its caption says copy or move and is set when the dialog opens.
constexpr uint16_t kCopyTargetLabels[] = {0, 99, 2, 0};
constexpr uint16_t kConfigurationLabels[] = {5100, 99, 2,  5201, 5202, 5203, 5204, 70, 71, 72, 77,
                                             78,   80, 81, 50,   51,   52,   53,   54, 55, 0};

constexpr uint16_t kNoLabels[] = {0};

struct WindowLabels {
  LabelledWindow window;
  const uint16_t* labels;
};

constexpr WindowLabels kWindowLabels[] = {
    {LabelledWindow::SearchPanel, kSearchPanelLabels},
    {LabelledWindow::DateTimePicker, kDateTimePickerLabels},
    {LabelledWindow::Filter, kFilterLabels},
    {LabelledWindow::DriveSelection, kDriveSelectionLabels},
    {LabelledWindow::CopyTarget, kCopyTargetLabels},
    {LabelledWindow::Configuration, kConfigurationLabels},
};

}  // namespace

const uint16_t* dialogLabels(LabelledWindow window) {
  for (const WindowLabels& row : kWindowLabels)
    if (row.window == window) return row.labels;
  return kNoLabels;
}

}  // namespace ostrya
