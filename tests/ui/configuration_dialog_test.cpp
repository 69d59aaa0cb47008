// The configuration dialog in the running program: its pages, and what OK and Cancel leave in
// the window and in the settings file.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/configuration_options.h"
#include "program_driver.h"
#include "scenario.h"
#include "screenshot.h"
#include "ui/resources.h"

namespace ostrya::uitest {
namespace {

constexpr int kNameBox = kFirstColumnBox;
constexpr int kModifiedBox = kFirstColumnBox + 2;
constexpr int kPathBox = kFirstColumnBox + 4;

HWND openConfiguration(RunningProgram& program) {
  program.command(kCmdConfiguration);
  return program.waitForDialog(" Configuration");
}

// Selects a page as a click into the page list would.
void selectPage(HWND dialog, int page) {
  HWND pages = GetDlgItem(dialog, kConfigurationPageList);
  SendMessageA(pages, LB_SETCURSEL, page, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kConfigurationPageList, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(pages));
}

void setBox(HWND dialog, int box, bool checked) {
  SendDlgItemMessageA(dialog, box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool closeWith(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, button, 0);
  return waitUntil([&] { return !IsWindow(dialog); });
}

HWND header(RunningProgram& program) {
  return reinterpret_cast<HWND>(
      SendMessageA(program.control(id(kPanelResultList)), LVM_GETHEADER, 0, 0));
}

int columnCount(RunningProgram& program) {
  return static_cast<int>(SendMessageA(header(program), HDM_GETITEMCOUNT, 0, 0));
}

DWORD extendedStyles(RunningProgram& program) {
  return static_cast<DWORD>(
      SendMessageA(program.control(id(kPanelResultList)), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

// The value of a line "key=value" of the settings file; empty when there is none.
std::string iniValue(const std::string& ini, const std::string& key) {
  const std::size_t at = ini.find("\r\n" + key + "=");
  if (at == std::string::npos) return "";
  const std::size_t start = at + key.size() + 3;
  return ini.substr(start, ini.find("\r\n", start) - start);
}

TEST(ConfigurationDialog, PagesShowTheirControlsAndOkHidesAColumnAndDrawsGridLines) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(findTextFilesByName(program, scratch));
  ASSERT_EQ(columnCount(program), 6);

  const ScreenPicture before = captureScreen();
  HWND dialog = openConfiguration(program);
  ASSERT_NE(dialog, nullptr);
  GUITHREADINFO focus = {};
  focus.cbSize = sizeof focus;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &focus));
  EXPECT_EQ(focus.hwndFocus, GetDlgItem(dialog, kConfigurationPageList));
  EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
  // The boxes as a first start's options and the default columns show them.
  EXPECT_EQ(IsDlgButtonChecked(dialog, kNameBox), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kPathBox), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kGridLinesBox), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kTrayIconBox), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, id(kPanelRecurse)), BST_CHECKED);

  HWND pages = GetDlgItem(dialog, kConfigurationPageList);
  ASSERT_EQ(SendMessageA(pages, LB_GETCOUNT, 0, 0), 3);
  const char* pictures[] = {"configuration-general", "configuration-options",
                            "configuration-columns"};
  for (int page = 0; page < 3; ++page) {
    selectPage(dialog, page);
    EXPECT_EQ(SendMessageA(pages, LB_GETITEMDATA, page, 0), page);
    for (int other = 0; other < 3; ++other)
      for (uint16_t control : kConfigurationPages[other].controls)
        EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, control)) != 0, other == page)
            << "page " << page << " control " << control;
    EXPECT_TRUE(program.savePictureOf(dialog, before, pictures[page])) << pictures[page];
    // The title bar starts in the caption colour and ends in the dialog's.
    RECT title = {};
    GetWindowRect(GetDlgItem(dialog, kConfigurationTitle), &title);
    const ScreenPicture drawn = captureScreen();
    const RECT left = {title.left, title.top, title.left + 4, title.bottom};
    const RECT right = {title.right - 2, title.top, title.right, title.bottom};
    EXPECT_GT(drawn.pixelsOf(left, GetSysColor(COLOR_INACTIVECAPTION)), 0u) << pictures[page];
    EXPECT_GT(drawn.pixelsOf(right, GetSysColor(COLOR_BTNFACE)), 0u) << pictures[page];
  }

  setBox(dialog, kPathBox, false);
  setBox(dialog, kGridLinesBox, true);
  ASSERT_TRUE(closeWith(dialog, 99));
  EXPECT_TRUE(waitUntil([&] {
    return columnCount(program) == 5 && (extendedStyles(program) & LVS_EX_GRIDLINES) != 0;
  }));
  EXPECT_EQ(extendedStyles(program) & LVS_EX_FULLROWSELECT, 0u);
  // The list made anew keeps its rows and titles its columns.
  EXPECT_EQ(program.itemCount(), 3);
  EXPECT_EQ(program.columnTitle(4), "Type");
  EXPECT_EQ(program.cellText(0, 0), "a.txt");
  EXPECT_EQ(program.close(), 0);

  const std::string ini = scratch.text("Ostry.INI");
  const std::string options = iniValue(ini, "Opt");
  ASSERT_FALSE(options.empty()) << ini;
  EXPECT_NE(std::stoul(options) & kOptGridLines, 0u) << ini;
  const std::string path = iniValue(ini, "Col4");
  EXPECT_EQ(path.substr(path.find(',')), ",-1") << ini;
  // The list closed the gap Path left.
  EXPECT_EQ(iniValue(ini, "Col5"), "45,4") << ini;
}

TEST(ConfigurationDialog, CancelChangesNothing) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  HWND dialog = openConfiguration(program);
  ASSERT_NE(dialog, nullptr);
  setBox(dialog, kFirstColumnBox + 1, false);
  setBox(dialog, kGridLinesBox, true);
  setBox(dialog, id(kPanelWholeWord), true);
  ASSERT_TRUE(closeWith(dialog, IDCANCEL));
  EXPECT_EQ(columnCount(program), 6);
  EXPECT_EQ(extendedStyles(program) & LVS_EX_GRIDLINES, 0u);
  EXPECT_FALSE(program.checked(id(kPanelWholeWord)));
  EXPECT_EQ(program.close(), 0);

  const std::string ini = scratch.text("Ostry.INI");
  EXPECT_EQ(iniValue(ini, "Opt"), "") << ini;
  EXPECT_EQ(iniValue(ini, "Col1"), "60,1") << ini;
}

TEST(ConfigurationDialog, OkShowsAHiddenColumnAndAppliesTheOptions) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI",
               kEnglish + std::string("Col2=105,-1\r\nCol3=45,2\r\nCol4=45,3\r\nCol5=45,4\r\n"));
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_EQ(columnCount(program), 5);
  char className[32] = "";
  GetClassNameA(program.control(id(kPanelContainingText)), className, sizeof className);
  const std::string fieldBefore = className;

  HWND dialog = openConfiguration(program);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kModifiedBox), BST_UNCHECKED);
  setBox(dialog, kModifiedBox, true);
  setBox(dialog, id(kPanelWholeWord), true);
  setBox(dialog, id(kPanelKeepText), true);
  setBox(dialog, kAlwaysOnTopBox, true);
  setBox(dialog, kFullRowSelectBox, true);
  ASSERT_TRUE(closeWith(dialog, 99));

  ASSERT_TRUE(waitUntil([&] { return columnCount(program) == 6; }));
  // Modified is the list's third sub-item again and stands after the five shown before.
  EXPECT_EQ(program.columnTitle(2), "Modified");
  EXPECT_EQ(program.columnOrder(), (std::vector<int>{0, 1, 3, 4, 5, 2}));
  EXPECT_NE(extendedStyles(program) & LVS_EX_FULLROWSELECT, 0u);
  EXPECT_TRUE(program.checked(id(kPanelWholeWord)));
  EXPECT_NE(GetWindowLongA(program.main(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // Keeping the containing text turns the field into one with a history.
  GetClassNameA(program.control(id(kPanelContainingText)), className, sizeof className);
  EXPECT_NE(fieldBefore, className);
  EXPECT_STREQ(className, "ComboBox");
  EXPECT_EQ(program.close(), 0);

  const std::string ini = scratch.text("Ostry.INI");
  const uint32_t options = static_cast<uint32_t>(std::stoul(iniValue(ini, "Opt")));
  for (uint32_t bit : {uint32_t{kOptWholeWord}, uint32_t{kOptKeepText}, uint32_t{kOptAlwaysOnTop},
                       uint32_t{kOptFullRowSelect}})
    EXPECT_NE(options & bit, 0u) << std::hex << bit << "\n" << ini;
  EXPECT_EQ(iniValue(ini, "Col2"), "105,5") << ini;
}

}  // namespace
}  // namespace ostrya::uitest
