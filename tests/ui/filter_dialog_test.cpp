// The filter dialog and the date and time picker, filled through their controls in the running
// program; the saved filter is read back from the settings and honoured by the next search.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "app/command_ids.h"
#include "app/date_picker.h"
#include "program_driver.h"
#include "scenario.h"
#include "screenshot.h"
#include "ui/resources.h"

namespace ostrya::uitest {
namespace {

constexpr int kIncludeMasks = 2304;
constexpr int kFromDate = 2311;
constexpr int kToDate = 2312;
constexpr int kFromTime = 2313;
constexpr int kToTime = 2314;
constexpr int kMinimumLength = 2315;

std::string dialogText(HWND dialog, int id) {
  char text[260] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

HWND openFilter(RunningProgram& program, const std::string& picture = "") {
  const ScreenPicture before = captureScreen();
  program.command(kCmdFilter);
  HWND dialog = program.waitForDialog(" Filter");
  if (dialog != nullptr && !picture.empty()) {
    EXPECT_TRUE(program.savePictureOf(dialog, before, picture));
  }
  return dialog;
}

// Clicks a control at a point of its client area, as the mouse would.
void click(HWND control, int x, int y) {
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST(FilterDialog, InvalidBoundsAreRefusedAndTheSavedFilterIsHonoured) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  HWND dialog = openFilter(program, "filter-dialog");
  ASSERT_NE(dialog, nullptr);
  // Every attribute is allowed at first.
  for (int box = 2305; box <= 2309; ++box) EXPECT_EQ(IsDlgButtonChecked(dialog, box), BST_CHECKED);

  SetDlgItemTextA(dialog, kIncludeMasks, "*.txt");
  SetDlgItemTextA(dialog, kFromDate, "31.02.2020");
  SetDlgItemTextA(dialog, kMinimumLength, "2");
  PostMessageA(dialog, WM_COMMAND, 99, 0);
  HWND refusal = program.waitForDialog("Ostrya");
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(dialogText(refusal, 0xFFFF), "Invalid date");
  PostMessageA(refusal, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(refusal); }));
  EXPECT_TRUE(IsWindow(dialog));  // the dialog stays for the correction

  SetDlgItemTextA(dialog, kFromDate, "1.1.2000");
  SetDlgItemTextA(dialog, kToTime, "25:00");
  PostMessageA(dialog, WM_COMMAND, 99, 0);
  refusal = program.waitForDialog("Ostrya");
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(dialogText(refusal, 0xFFFF), "Invalid time");
  PostMessageA(refusal, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(refusal); }));

  SetDlgItemTextA(dialog, kToTime, "");
  PostMessageA(dialog, WM_COMMAND, 99, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));

  // With the filter on, the search keeps the text files of two bytes or more.
  SendMessageA(program.control(id(kPanelWithFilter)), BM_SETCHECK, BST_CHECKED, 0);
  program.commandNow(id(kPanelWithFilter));
  program.setText(id(kPanelNamePatterns), "*");
  program.setText(id(kPanelLookIn), treeOf(scratch));
  program.command(kCmdSearch);
  ASSERT_TRUE(waitUntil([&] { return program.statusText(1).rfind("Total", 0) == 0; }, 30000));
  ASSERT_TRUE(program.waitForSearchEnd());
  EXPECT_EQ(program.itemCount(), 2);

  // Cancel changes nothing.
  dialog = openFilter(program);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialogText(dialog, kFromDate), "01.01.2000");
  SetDlgItemTextA(dialog, kIncludeMasks, "*.none");
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(program.close(), 0);

  const std::string ini = scratch.text("Ostry.INI");
  EXPECT_NE(ini.find("FtlPat=*.txt\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Filter="), std::string::npos) << ini;
  EXPECT_EQ(ini.find("*.none"), std::string::npos) << ini;
}

TEST(FilterDialog, ThePickerFillsASideAndTheUpDownCopiesIt) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  HWND dialog = openFilter(program);
  ASSERT_NE(dialog, nullptr);

  // An empty side opens the picker at the current moment.
  const ScreenPicture before = captureScreen();
  PostMessageA(dialog, WM_COMMAND, kFromPickerButton, 0);
  HWND picker = program.waitForDialog(" Select the date and time");
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(program.savePictureOf(picker, before, "date-picker"));
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(dialogText(picker, kPickerYear), std::to_string(now.wYear));
  EXPECT_EQ(SendDlgItemMessageA(picker, kPickerMonth, CB_GETCURSEL, 0, 0), now.wMonth - 1);

  // The 15th of the shown month, clicked in the calendar; the time typed.
  const PickerRecord month = pickerRecordAt({now.wDay, now.wMonth, now.wYear}, {});
  const std::optional<CalendarCell> cell = cellOfDay(month, 15);
  ASSERT_TRUE(cell.has_value());
  HWND calendar = GetDlgItem(picker, kPickerCalendar);
  RECT client;
  GetClientRect(calendar, &client);
  const Rect target = cellRect(calendarGrid(client.right, client.bottom), *cell);
  click(calendar, target.x + target.width / 2, target.y + target.height / 2);
  SetDlgItemTextA(picker, kPickerHour, "7");
  SetDlgItemTextA(picker, kPickerMinute, "30");
  SetDlgItemTextA(picker, kPickerSecond, "5");
  PostMessageA(picker, WM_COMMAND, 99, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(picker); }));
  char expected[16];
  std::snprintf(expected, sizeof expected, "15.%02u.%04u", now.wMonth, now.wYear);
  EXPECT_EQ(dialogText(dialog, kFromDate), expected);
  EXPECT_EQ(dialogText(dialog, kFromTime), "07:30:05");

  // The up arrow copies the from side to the to side.
  HWND upDown = GetDlgItem(dialog, kRangeCopyUpDown);
  RECT arrows;
  GetClientRect(upDown, &arrows);
  click(upDown, arrows.right / 2, 2);
  EXPECT_TRUE(waitUntil([&] { return dialogText(dialog, kToDate) == expected; }))
      << dialogText(dialog, kToDate);
  EXPECT_EQ(dialogText(dialog, kToTime), "07:30:05");
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(program.close(), 0);
}

}  // namespace
}  // namespace ostrya::uitest
