// Win32 only: the date and time picker, with the month's calendar painted by the program.
#include "ui/date_picker_dialog.h"

#include <commctrl.h>

#include <string>

#include "foundation/dialog_labels.h"
#include "ui/dialog_frame.h"
#include "ui/gdi_owners.h"
#include "ui/language_ui.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"

namespace ostrya {
namespace {

constexpr int kMonths = 12;
constexpr int kDaysInWeek = 7;

struct Picker {
  MainWindow* w;
  PickerRecord record;
  WNDPROC calendarProc = nullptr;
  // Set while the dialog writes its own fields, whose change notes are not the user's.
  bool showing = false;
};

Picker& pickerOf(HWND dialog) {
  return *dialogState<Picker>(dialog);
}

// A name the locale gives a day or a month, by the pattern ("MMMM", "ddd").
std::string localeDateText(const SYSTEMTIME& day, const char* pattern) {
  char text[64] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, &day, pattern, text, sizeof text);
  return text;
}

SYSTEMTIME dayOf(WORD year, WORD month, WORD day) {
  SYSTEMTIME time = {};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  return time;
}

RECT rectOf(const Rect& r) {
  return {r.x, r.y, r.x + r.width, r.y + r.height};
}

void paintCalendar(HWND calendar, const Picker& picker) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(calendar, &paint);
  RECT client;
  GetClientRect(calendar, &client);
  const CalendarGrid grid = calendarGrid(client.right, client.bottom);
  RECT names = {0, 0, client.right, grid.cellHeight};
  RECT days = {0, grid.cellHeight, client.right, client.bottom};
  FillRect(dc, &names, GetSysColorBrush(COLOR_BTNFACE));
  FillRect(dc, &days, GetSysColorBrush(COLOR_WINDOW));
  const Selection font(
      dc, reinterpret_cast<HGDIOBJ>(SendMessageA(GetParent(calendar), WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  // 3 January 2000 was a Monday.
  for (int column = 0; column < kDaysInWeek; ++column) {
    const std::string name = localeDateText(dayOf(2000, 1, static_cast<WORD>(3 + column)), "ddd");
    RECT cell = rectOf(cellRect(grid, {0, column}));
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, name.c_str(), -1, &cell, kCentred);
  }
  for (int row = 1; row < kCalendarRows; ++row) {
    for (int column = 0; column < kCalendarColumns; ++column) {
      const uint32_t day = dayInCell(picker.record, {row, column});
      if (day == 0) continue;
      RECT cell = rectOf(cellRect(grid, {row, column}));
      const bool chosen = day == picker.record.date.day;
      if (chosen) FillRect(dc, &cell, GetSysColorBrush(COLOR_ACTIVECAPTION));
      SetTextColor(dc, chosen ? GetSysColor(COLOR_CAPTIONTEXT) : RGB(0, 0, 0));
      const std::string number = std::to_string(day);
      DrawTextA(dc, number.c_str(), -1, &cell, kCentred);
    }
  }
  EndPaint(calendar, &paint);
}

void invalidateDay(HWND calendar, const Picker& picker, uint32_t day) {
  const std::optional<CalendarCell> cell = cellOfDay(picker.record, day);
  if (!cell) return;
  RECT client;
  GetClientRect(calendar, &client);
  const RECT area = rectOf(cellRect(calendarGrid(client.right, client.bottom), *cell));
  InvalidateRect(calendar, &area, FALSE);
}

LRESULT CALLBACK calendarProc(HWND calendar, UINT message, WPARAM wParam, LPARAM lParam) {
  Picker& picker = pickerOf(GetParent(calendar));
  switch (message) {
    case WM_PAINT:
      paintCalendar(calendar, picker);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN: {
      RECT client;
      GetClientRect(calendar, &client);
      const std::optional<CalendarCell> cell =
          cellAt(calendarGrid(client.right, client.bottom), static_cast<short>(LOWORD(lParam)),
                 static_cast<short>(HIWORD(lParam)));
      const uint32_t day = cell ? dayInCell(picker.record, *cell) : 0;
      if (day == 0) return 0;
      invalidateDay(calendar, picker, picker.record.date.day);
      picker.record.date.day = day;
      invalidateDay(calendar, picker, day);
      return 0;
    }
    default:
      return CallWindowProcA(picker.calendarProc, calendar, message, wParam, lParam);
  }
}

void setNumber(HWND dialog, int id, uint32_t value) {
  SetDlgItemInt(dialog, id, value, FALSE);
}

void showRecord(HWND dialog, Picker& picker) {
  picker.showing = true;
  SendDlgItemMessageA(dialog, kPickerMonth, CB_SETCURSEL, picker.record.date.month - 1, 0);
  setNumber(dialog, kPickerYear, picker.record.date.year);
  setNumber(dialog, kPickerHour, picker.record.time.hour);
  setNumber(dialog, kPickerMinute, picker.record.time.minute);
  setNumber(dialog, kPickerSecond, picker.record.time.second);
  picker.showing = false;
  InvalidateRect(GetDlgItem(dialog, kPickerCalendar), nullptr, FALSE);
}

void takeCurrentMoment(HWND dialog, Picker& picker) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  picker.record =
      pickerRecordAt({now.wDay, now.wMonth, now.wYear}, {now.wHour, now.wMinute, now.wSecond});
  showRecord(dialog, picker);
}

void connectUpDown(HWND dialog, int upDown, int low, int high) {
  SendDlgItemMessageA(dialog, upDown, UDM_SETRANGE32, low, high);
}

BOOL initPicker(HWND dialog, Picker& picker) {
  MainWindow& w = *picker.w;
  labelWindow(dialog, w.languages.current, dialogLabels(LabelledWindow::DateTimePicker));
  centreOver(dialog, GetParent(dialog));
  for (int month = 1; month <= kMonths; ++month) {
    const std::string name = localeDateText(dayOf(2000, static_cast<WORD>(month), 1), "MMMM");
    SendDlgItemMessageA(dialog, kPickerMonth, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(name.c_str()));
  }
  connectUpDown(dialog, kPickerYearUpDown, kFirstPickerYear, kLastPickerYear);
  connectUpDown(dialog, kPickerHourUpDown, 0, 23);
  connectUpDown(dialog, kPickerMinuteUpDown, 0, 59);
  connectUpDown(dialog, kPickerSecondUpDown, 0, 59);
  HWND calendar = GetDlgItem(dialog, kPickerCalendar);
  picker.calendarProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(calendar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(calendarProc)));
  if (picker.record.date.day == 0)
    takeCurrentMoment(dialog, picker);
  else
    showRecord(dialog, picker);
  return TRUE;
}

void onPickerCommand(HWND dialog, Picker& picker, int id, int code) {
  HWND calendar = GetDlgItem(dialog, kPickerCalendar);
  if (id == kPickerYear && code == EN_CHANGE && !picker.showing) {
    BOOL read = FALSE;
    const UINT year = GetDlgItemInt(dialog, kPickerYear, &read, FALSE);
    if (read) setPickerYear(picker.record, year);
    InvalidateRect(calendar, nullptr, FALSE);
  } else if (id == kPickerMonth && code == CBN_SELCHANGE) {
    const LRESULT month = SendDlgItemMessageA(dialog, kPickerMonth, CB_GETCURSEL, 0, 0);
    if (month >= 0) setPickerMonth(picker.record, static_cast<uint32_t>(month) + 1);
    InvalidateRect(calendar, nullptr, FALSE);
  } else if (id == kPickerCurrent) {
    takeCurrentMoment(dialog, picker);
  } else if (isOkCommand(id)) {
    picker.record.time = {GetDlgItemInt(dialog, kPickerHour, nullptr, FALSE),
                          GetDlgItemInt(dialog, kPickerMinute, nullptr, FALSE),
                          GetDlgItemInt(dialog, kPickerSecond, nullptr, FALSE)};
    EndDialog(dialog, 1);
  } else if (id == IDCANCEL) {
    EndDialog(dialog, 0);
  }
}

INT_PTR CALLBACK pickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return initPicker(dialog, keepDialogState<Picker>(dialog, lParam));
    case WM_COMMAND:
      onPickerCommand(dialog, pickerOf(dialog), LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    // The read-only year field is painted like the other fields.
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog, kPickerYear)) return FALSE;
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    default:
      return FALSE;
  }
}

}  // namespace

bool pickDateAndTime(MainWindow& w, HWND owner, PickerRecord& record) {
  Picker picker{&w, record};
  if (DialogBoxParamA(w.instance, MAKEINTRESOURCEA(kDatePickerDialog), owner, pickerProc,
                      reinterpret_cast<LPARAM>(&picker)) != 1)
    return false;
  record = picker.record;
  return true;
}

}  // namespace ostrya
