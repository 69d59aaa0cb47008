// Win32 only: the search filter's dialog. The fields' meaning lives in the filter field model;
// this moves texts between it and the controls.
#include "ui/filter_dialog.h"

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/filter_fields.h"
#include "foundation/dialog_labels.h"
#include "ui/date_picker_dialog.h"
#include "ui/dialog_frame.h"
#include "ui/language_ui.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/window_host.h"

namespace ostrya {
namespace {

constexpr std::size_t kMessageCapacity = 260;

uint32_t currentYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

std::string fieldText(HWND dialog, FilterField field) {
  const FilterFieldControl& control = kFilterFieldControls[field];
  std::vector<char> text(control.readLength + 1, '\0');
  GetDlgItemTextA(dialog, control.controlId, text.data(), static_cast<int>(text.size()));
  return text.data();
}

void setFieldText(HWND dialog, FilterField field, const std::string& text) {
  SetDlgItemTextA(dialog, kFilterFieldControls[field].controlId, text.c_str());
}

FilterFields fieldsOfDialog(HWND dialog) {
  FilterFields fields;
  for (int field = 0; field < kFilterFieldCount; ++field)
    fields.texts[field] = fieldText(dialog, static_cast<FilterField>(field));
  for (const AttributeBox& box : kFilterAttributeBoxes)
    if (IsDlgButtonChecked(dialog, box.controlId) == BST_CHECKED)
      fields.checkedAttributes |= box.attribute;
  return fields;
}

void showFields(HWND dialog, const FilterFields& fields) {
  for (int field = 0; field < kFilterFieldCount; ++field) {
    const FilterFieldControl& control = kFilterFieldControls[field];
    SendDlgItemMessageA(dialog, control.controlId, EM_LIMITTEXT, control.limit, 0);
    setFieldText(dialog, static_cast<FilterField>(field), fields.texts[field]);
  }
  for (const AttributeBox& box : kFilterAttributeBoxes)
    CheckDlgButton(dialog, box.controlId,
                   (fields.checkedAttributes & box.attribute) != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// One side of the range: the from or the to date and time.
struct RangeSide {
  FilterField date;
  FilterField time;
};
constexpr RangeSide kFromSide = {kFilterFromDateField, kFilterFromTimeField};
constexpr RangeSide kToSide = {kFilterToDateField, kFilterToTimeField};

DateTimeTexts sideTexts(HWND dialog, RangeSide side) {
  return {fieldText(dialog, side.date), fieldText(dialog, side.time)};
}

void showSide(HWND dialog, RangeSide side, const DateTimeTexts& texts) {
  setFieldText(dialog, side.date, texts.date);
  setFieldText(dialog, side.time, texts.time);
}

void pickSide(HWND dialog, MainWindow& w, RangeSide side) {
  PickerRecord record = pickerRecordOf(sideTexts(dialog, side), currentYear());
  if (pickDateAndTime(w, dialog, record)) showSide(dialog, side, pickerTexts(record));
}

// The filter the search uses is made anew; a run still going keeps reading the one it started
// with until it is over.
void takeFilter(MainWindow& w, const FilterRecord& record) {
  w.search.filter = record;
  saveFilter(record, w.config);
  if (searchRunning(w)) w.search.retiredFilters.push_back(std::move(w.search.searchFilter));
  w.search.searchFilter = std::make_unique<SearchFilter>(record, w.search.context.secondChance);
}

// The record changes only when every bound reads: a refused OK leaves the filter as it was.
void onOk(HWND dialog, MainWindow& w) {
  const FilterReading reading = readFilterFields(fieldsOfDialog(dialog), currentYear());
  if (reading.error) {
    char message[kMessageCapacity] = "";
    getText(w.languages.current, reading.error->message, message, sizeof message);
    MessageBoxA(dialog, message, w.title, MB_OK | MB_ICONERROR);
    SetFocus(GetDlgItem(dialog, kFilterFieldControls[reading.error->field].controlId));
    return;
  }
  takeFilter(w, reading.record);
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK filterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* w = dialogState<MainWindow>(dialog);
  switch (message) {
    case WM_INITDIALOG:
      w = &keepDialogState<MainWindow>(dialog, lParam);
      centreOver(dialog, w->window);
      labelWindow(dialog, w->languages.current, dialogLabels(LabelledWindow::Filter));
      addContextHelp(dialog);
      showFields(dialog, filterFieldsOf(w->search.filter));
      // The up arrow is the positive step, which copies the from side to the to side.
      SendDlgItemMessageA(dialog, kRangeCopyUpDown, UDM_SETRANGE32, 0, 100);
      SetFocus(GetDlgItem(dialog, IDCANCEL));
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (isOkCommand(id))
        onOk(dialog, *w);
      else if (id == IDCANCEL)
        EndDialog(dialog, 0);
      else if (id == kFromPickerButton || id == kToPickerButton)
        pickSide(dialog, *w, id == kFromPickerButton ? kFromSide : kToSide);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != static_cast<UINT_PTR>(kRangeCopyUpDown) || header->code != UDN_DELTAPOS)
        return FALSE;
      DateTimeTexts from = sideTexts(dialog, kFromSide);
      DateTimeTexts to = sideTexts(dialog, kToSide);
      copyAcrossRange(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta, from, to);
      showSide(dialog, kFromSide, from);
      showSide(dialog, kToSide, to);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

void editFilter(MainWindow& w) {
  DialogBoxParamA(w.instance, MAKEINTRESOURCEA(kFilterDialog), w.window, filterProc,
                  reinterpret_cast<LPARAM>(&w));
}

}  // namespace ostrya
