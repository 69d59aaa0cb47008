// The window program itself, started from a folder of its own with a prepared configuration
// file and driven by messages: first start, search, languages, layout, settings at exit.
#include "program_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/option_bits.h"
#include "app/panel_controls.h"
#include "app/panel_layout.h"
#include "results/result_store.h"
#include "scenario.h"
#include "screenshot.h"
#include "ui/resources.h"

namespace ostrya::uitest {
namespace {

constexpr int kCmdSortBySize = kCmdSortByName + static_cast<int>(SortMode::Size);

// The grey of the header's sort arrows.
constexpr COLORREF kArrowColour = RGB(128, 128, 128);

// Message 1121: the link with a partner program, both ways.
constexpr UINT kPartnerMessage = WM_USER + 97;

// Opens the File menu as Alt and Down would, saves a picture of it and closes it again. The
// keys are sent again while no menu shows: a window that has just closed a dialog may not take
// them yet. The picture is taken again until the menu's place in it differs from the screen
// before the menu opened for most of its pixels: a menu window that exists is not yet one that
// has been drawn.
bool screenshotFileMenu(RunningProgram& program, const std::string& name) {
  const auto menu = [&] { return program.topLevel("#32768"); };
  const ScreenPicture closed = captureScreen();
  const bool opened = waitUntil([&] {
    PostMessageA(program.main(), WM_SYSCOMMAND, SC_KEYMENU, 0);
    PostMessageA(program.main(), WM_KEYDOWN, VK_DOWN, 0);
    return waitUntil([&] { return menu() != nullptr; }, 1500);
  });
  ScreenPicture open;
  const bool drawn = opened && waitUntil([&] {
                       RECT area = {};
                       GetWindowRect(menu(), &area);
                       open = captureScreen();
                       return open.differenceIn(closed, area) > 0.5;
                     });
  const bool saved = drawn && savePicture(open, name);
  PostMessageA(program.main(), WM_CANCELMODE, 0, 0);
  PostMessageA(program.main(), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(program.main(), WM_KEYDOWN, VK_ESCAPE, 0);
  waitUntil([&] { return menu() == nullptr; }, 3000);
  return saved;
}

TEST(WindowProgram, FirstStartAsksForTheLanguageAndWritesItsSettingsAtExit) {
  ScratchFolder scratch;
  RunningProgram program(scratch.path(), "", true);
  ASSERT_NE(program.dialog(), nullptr) << "no language dialog at the first start";
  EXPECT_NE(GetDlgItem(program.dialog(), kLanguageList), nullptr);
  EXPECT_TRUE(saveScreenshot("language-dialog"));
  PostMessageA(program.dialog(), WM_COMMAND, IDCANCEL, 0);
  ASSERT_NE(program.main(), nullptr);

  char title[64] = "";
  GetWindowTextA(program.main(), title, sizeof title);
  EXPECT_STREQ(title, "Ostrya");
  // Cancelled: English, and the look-in field starts at the root of the Windows drive.
  EXPECT_EQ(program.text(id(kPanelSearchForLabel)), "Search for:");
  EXPECT_EQ(program.text(id(kPanelLookIn)).substr(1), ":\\");
  EXPECT_TRUE(program.checked(id(kPanelRecurse)));
  // All 23 controls exist; the four spare ones never show.
  for (int index = 0; index < kPanelControlCount; ++index) {
    HWND control = program.control(id(static_cast<PanelIndex>(index)));
    ASSERT_NE(control, nullptr) << index;
    const bool spare = index >= kPanelUnusedLabel && index <= kPanelUnused3;
    EXPECT_EQ(IsWindowVisible(control) != 0, !spare) << index;
  }
  EXPECT_EQ(program.close(), 0);

  const std::string ini = scratch.text("Ostry.INI");
  EXPECT_EQ(ini.rfind("[Ostrya]\r\n", 0), 0u) << ini;
  for (const char* line : {"Language=US\r\n", "Col0=150,0\r\n", "Col5=45,5\r\n", "\r\nPos="})
    EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
  // The options word is written when an option changes, not merely because it was read.
  EXPECT_EQ(ini.find("Opt="), std::string::npos) << ini;
}

TEST(WindowProgram, SearchFillsTheListSortsAndKeepsTheHistories) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  {
    RunningProgram program(scratch.path());
    ASSERT_NE(program.main(), nullptr);
    // With an empty list the file commands are greyed, Search is not, Stop is.
    EXPECT_FALSE(program.buttonEnabled(kCmdMakeShortcut));
    EXPECT_FALSE(program.buttonEnabled(kCmdExportText));
    EXPECT_TRUE(program.buttonEnabled(kCmdSearch));
    EXPECT_FALSE(program.buttonEnabled(kCmdStop));

    program.setText(id(kPanelNamePatterns), "*.txt");
    program.setText(id(kPanelLookIn), treeOf(scratch));
    program.command(kCmdSearch);
    ASSERT_TRUE(waitUntil([&] { return program.itemCount() == 3; })) << program.itemCount();
    ASSERT_TRUE(program.waitForSearchEnd());
    EXPECT_EQ(program.statusText(1).rfind("Total 3 files", 0), 0u) << program.statusText(1);
    EXPECT_TRUE(program.buttonEnabled(kCmdMakeShortcut));
    EXPECT_TRUE(program.buttonEnabled(kCmdExportText));
    // The run ends with the focus on the list and its first row selected.
    EXPECT_TRUE(waitUntil([&] { return program.statusText(0).rfind("Selected 1 file", 0) == 0; }))
        << program.statusText(0);

    program.command(kCmdSortBySize);
    ASSERT_TRUE(waitUntil([&] { return program.cellText(0, 0) == "c.txt"; }))
        << program.cellText(0, 0);
    EXPECT_EQ(program.cellText(1, 0), "a.txt");
    EXPECT_EQ(program.cellText(1, 1), "5");
    EXPECT_EQ(program.cellText(2, 1).substr(0, 1), "1");  // 1,234 in the user's grouping
    EXPECT_EQ(program.cellText(2, 1).size(), 5u);
    EXPECT_EQ(program.cellText(1, 3), "A");
    EXPECT_EQ(program.cellText(1, 4), treeOf(scratch));
    EXPECT_FALSE(program.cellText(1, 2).empty());  // the date and time
    program.command(kCmdSortByName);
    ASSERT_TRUE(waitUntil([&] { return program.cellText(0, 0) == "a.txt"; }));
    EXPECT_EQ(program.cellText(2, 0), "c.txt");
    EXPECT_EQ(program.cellText(2, 4), (scratch.path() / "tree" / "sub").string());

    // The Size header: ascending, then the same column again descending.
    program.clickColumnHeader(1);
    ASSERT_TRUE(waitUntil([&] { return program.cellText(0, 0) == "c.txt"; }))
        << program.cellText(0, 0);
    program.clickColumnHeader(1);
    ASSERT_TRUE(waitUntil([&] { return program.cellText(0, 0) == "b.txt"; }))
        << program.cellText(0, 0);
    EXPECT_EQ(program.cellText(2, 0), "c.txt");
    const ScreenPicture picture = program.drawnPicture();
    EXPECT_TRUE(savePicture(picture, "main-window-with-results"));
    // The Size header shows its arrow on the header's own face, without the bitmap's key colour
    // around it.
    const RECT sizeHeader = program.headerItemRect(1);
    EXPECT_GT(picture.pixelsOf(sizeHeader, kArrowColour), 10u);
    if (GetSysColor(COLOR_BTNFACE) != kImageKeyColour) {
      EXPECT_EQ(picture.pixelsOf(sizeHeader, kImageKeyColour), 0u);
    }

    // The File menu opened from the keyboard, drawn by the program itself.
    EXPECT_TRUE(screenshotFileMenu(program, "file-menu"));

    // Esc with nothing to cancel ends the program.
    program.command(kCmdEscape);
    ASSERT_TRUE(waitUntil([&] { return !program.running(); }));
  }
  const std::string ini = scratch.text("Ostry.INI");
  EXPECT_NE(ini.find("[Find]\r\n1=*.txt\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Path]\r\n1=" + treeOf(scratch) + "\r\n"), std::string::npos) << ini;

  // The next start offers the histories again.
  RunningProgram again(scratch.path());
  ASSERT_NE(again.main(), nullptr);
  EXPECT_EQ(again.text(id(kPanelNamePatterns)), "*.txt");
  EXPECT_EQ(again.text(id(kPanelLookIn)), treeOf(scratch));
}

TEST(WindowProgram, CloseIsRefusedWhileSearchingAndStopCancels) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  // The Windows folder, many times over, with a text no file holds: a run long enough to stop.
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  std::string lookIn = windows;
  while (lookIn.size() + std::strlen(windows) + 1 < 1000) lookIn += std::string(";") + windows;
  program.setText(id(kPanelNamePatterns), "*");
  program.setText(id(kPanelLookIn), lookIn);
  program.setText(id(kPanelContainingText), "no file holds this text, surely");
  program.command(kCmdSearch);
  ASSERT_TRUE(waitUntil([&] { return program.buttonEnabled(kCmdStop); }));
  PostMessageA(program.main(), WM_CLOSE, 0, 0);
  Sleep(300);
  EXPECT_TRUE(program.running());
  program.command(kCmdStop);
  ASSERT_TRUE(program.waitForSearchEnd());
  EXPECT_NE(program.statusText(1).find("search canceled"), std::string::npos)
      << program.statusText(1);
  EXPECT_EQ(program.close(), 0);
}

TEST(WindowProgram, GermanRelabelsPanelAndColumns) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", "[Ostrya]\r\nLanguage=de\r\n");
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  EXPECT_EQ(program.text(id(kPanelSearchForLabel)), "Suchen nach:");
  EXPECT_EQ(program.text(id(kPanelRecurse)), "Untergeordnete Ordner einbeziehen");
  EXPECT_EQ(program.columnTitle(0), "Name");
  EXPECT_EQ(program.columnTitle(4), "In Ordner");
}

TEST(WindowProgram, GermanChosenInTheLanguageDialog) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  {
    RunningProgram program(scratch.path());
    ASSERT_NE(program.main(), nullptr);
    program.command(kCmdLanguage);
    HWND dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dialog = program.topLevel("#32770")) != nullptr; }));
    // The dialog exists before its list is filled.
    ASSERT_TRUE(waitUntil([&] { return program.selectListEntry(dialog, 91, "Deutsch"); }));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitUntil([&] { return program.text(id(kPanelSearchForLabel)) == "Suchen nach:"; }))
        << program.text(id(kPanelSearchForLabel));
    EXPECT_EQ(program.columnTitle(4), "In Ordner");
    // Wine keeps a menu inside its process; the menu's texts are looked at in a picture.
    EXPECT_TRUE(screenshotFileMenu(program, "file-menu-german"));
    EXPECT_EQ(program.close(), 0);
  }
  EXPECT_NE(scratch.text("Ostry.INI").find("Language=DE\r\n"), std::string::npos)
      << scratch.text("Ostry.INI");
}

// A partner program starts this one with its window handle: the two share a block named after
// that handle and talk through message 1121.
class PartnerWindow {
 public:
  PartnerWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OstryaTestPartner";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("OstryaTestPartner", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    current = this;
  }
  ~PartnerWindow() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
    DestroyWindow(window_);
    current = nullptr;
  }
  // A window handle has 32 significant bits in 32-bit and 64-bit programs alike: the command
  // line carries them unsigned, the block's name as a signed long ("%ld").
  std::string handleText() const { return std::to_string(static_cast<uint32_t>(handle32())); }
  // The shared block, once the program opened it.
  char* block() {
    if (view_ == nullptr) {
      const std::string name = "Ostrya" + std::to_string(static_cast<long>(handle32()));
      mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
      if (mapping_)
        view_ = static_cast<char*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    return view_;
  }

  HWND programWindow = nullptr;
  std::string request;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kPartnerMessage || current == nullptr)
      return DefWindowProcA(window, message, wParam, lParam);
    if (wParam != 0) {
      current->programWindow = reinterpret_cast<HWND>(wParam);
      return 0;
    }
    char* shared = current->block();
    if (shared) current->request = std::string(1, shared[0]) + (shared + 5);
    return 1;
  }
  int32_t handle32() const { return static_cast<int32_t>(reinterpret_cast<intptr_t>(window_)); }

  inline static PartnerWindow* current = nullptr;
  HWND window_ = nullptr;
  HANDLE mapping_ = nullptr;
  char* view_ = nullptr;
};

TEST(WindowProgram, PartnerLinkHandsOverTheLookInFolderAndTheChosenItem) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  PartnerWindow partner;
  RunningProgram program(scratch.path(), partner.handleText());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(waitUntil([&] { return partner.programWindow == program.main(); }));
  char* block = partner.block();
  ASSERT_NE(block, nullptr);

  block[0] = 'P';
  std::strcpy(block + 5, treeOf(scratch).c_str());
  SendMessageA(program.main(), kPartnerMessage, 0, 0);
  EXPECT_EQ(program.text(id(kPanelLookIn)), treeOf(scratch));
  EXPECT_EQ(block[0], '\0');

  program.setText(id(kPanelNamePatterns), "b.txt");
  program.command(kCmdSearch);
  ASSERT_TRUE(waitUntil([&] { return program.itemCount() == 1; }));
  ASSERT_TRUE(program.waitForSearchEnd());
  // The item handed over is the current one, which the end of the run selects.
  ASSERT_TRUE(waitUntil([&] { return program.statusText(0).rfind("Selected 1 file", 0) == 0; }));
  // "Go to and exit" hands the item to the partner, then ends the program.
  program.command(kCmdGoToAndExit);
  ASSERT_TRUE(waitUntil([&] { return !program.running(); }));
  EXPECT_EQ(partner.request, "G" + treeOf(scratch) + "\\b.txt");
}

// The controls stand where the panel arithmetic puts them, collapsed and expanded.
TEST(WindowProgram, PanelFollowsItsLayoutArithmetic) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  const int itemHeight = static_cast<int>(
      SendMessageA(program.control(id(kPanelNamePatterns)), CB_GETITEMHEIGHT, 0, 0));
  RECT client;
  GetClientRect(program.main(), &client);
  RECT toolBar;
  GetWindowRect(GetDlgItem(program.main(), 1), &toolBar);
  RECT statusBar;
  GetWindowRect(GetDlgItem(program.main(), 2), &statusBar);
  const PanelBand band = {
      toolBar.bottom - toolBar.top, client.right,
      client.bottom - (toolBar.bottom - toolBar.top) - (statusBar.bottom - statusBar.top)};
  for (bool expanded : {false, true}) {
    if (expanded) {
      program.command(id(kPanelOptionsButton));
      ASSERT_TRUE(waitUntil([&] { return program.clientRect(id(kPanelRecurse)).right > 0; }));
    }
    const PanelLayout layout = layoutPanel(band, itemHeight, expanded, false);
    // Combo boxes keep their own closed height; the rest is as laid out.
    for (PanelIndex index :
         {kPanelSearchForLabel, kPanelLookInLabel, kPanelContainingLabel, kPanelContainingText,
          kPanelBrowse, kPanelDrives, kPanelHex, kPanelOptionsButton, kPanelRecurse, kPanelKeepText,
          kPanelFilterButton, kPanelRegex, kPanelResultList}) {
      const RECT got = program.clientRect(id(index));
      const Rect& want = layout.controls[index];
      // Collapsed, the options below the button are hidden.
      if (!expanded && index >= kPanelRecurse && index <= kPanelRegex) {
        EXPECT_FALSE(IsWindowVisible(program.control(id(index))) && got.right > got.left) << index;
        continue;
      }
      EXPECT_EQ(got.left, want.x) << index << (expanded ? " expanded" : "");
      EXPECT_EQ(got.top, want.y) << index << (expanded ? " expanded" : "");
      EXPECT_EQ(got.right - got.left, want.width) << index << (expanded ? " expanded" : "");
    }
  }
  EXPECT_EQ(program.close(), 0);
  EXPECT_NE(scratch.text("Ostry.INI")
                .find("Opt=" + std::to_string(kFirstStart | kOptOptionsExpanded) + "\r\n"),
            std::string::npos);
}

TEST(WindowProgram, AboutBoxNamesTheProgramAndItsVersion) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  const ScreenPicture before = captureScreen();
  program.command(kCmdAbout);
  HWND box = program.waitForDialog("Ostrya");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(program.savePictureOf(box, before, "about-box"));
  char text[256] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  EXPECT_EQ(std::string(text).rfind("Ostrya ", 0), 0u) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
  EXPECT_EQ(program.close(), 0);
}

TEST(WindowProgram, StoredColumnsPlacementAndFolderArgument) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI",
               "[Ostrya]\r\nLanguage=US\r\nCol1=90,1\r\nCol3=45,-1\r\nPos=10,20,700,500,0\r\n");
  {
    RunningProgram program(scratch.path(), treeOf(scratch));
    ASSERT_NE(program.main(), nullptr);
    EXPECT_EQ(program.text(id(kPanelLookIn)), treeOf(scratch));
    HWND header = reinterpret_cast<HWND>(
        SendMessageA(program.control(id(kPanelResultList)), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(program.control(id(kPanelResultList)), LVM_GETCOLUMNWIDTH, 1, 0), 90);
    EXPECT_EQ(program.columnTitle(3), "Path");  // Attributes is hidden
    RECT window;
    GetWindowRect(program.main(), &window);
    EXPECT_EQ(window.left, 10);
    EXPECT_EQ(window.top, 20);
    EXPECT_EQ(window.right - window.left, 700);
    EXPECT_EQ(program.close(), 0);
  }
  const std::string ini = scratch.text("Ostry.INI");
  EXPECT_NE(ini.find("Col3=45,-1\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Pos=10,20,700,500,0\r\n"), std::string::npos) << ini;
}

TEST(WindowProgram, ViewOptionsReachTheList) {
  struct Case {
    uint32_t options;
    DWORD styles;  // extended list styles expected on
    DWORD view;
  } cases[] = {
      {kFirstStart, 0, LVS_REPORT},
      {kFirstStart | kOptFullRowSelect, LVS_EX_FULLROWSELECT, LVS_REPORT},
      {kFirstStart | kOptGridLines | kOptViewList, LVS_EX_GRIDLINES, LVS_LIST},
      {kFirstStart | kOptFullRowSelect | kOptGridLines | kOptViewSmallIcons,
       LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, LVS_SMALLICON},
  };
  for (const Case& c : cases) {
    ScratchFolder scratch;
    scratch.file("Ostry.INI", englishWithOptions(c.options));
    RunningProgram program(scratch.path());
    ASSERT_NE(program.main(), nullptr);
    const auto styles = static_cast<DWORD>(
        SendMessageA(program.control(id(kPanelResultList)), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(styles & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES), c.styles) << c.options;
    EXPECT_NE(styles & LVS_EX_HEADERDRAGDROP, 0u) << c.options;
    EXPECT_EQ(GetWindowLongA(program.control(id(kPanelResultList)), GWL_STYLE) & LVS_TYPEMASK,
              c.view)
        << c.options;
  }
}

TEST(WindowProgram, HexModeCleansAndRewritesTheContainingText) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", englishWithOptions(kFirstStart | kOptHex));
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  EXPECT_TRUE(program.checked(id(kPanelHex)));
  program.setText(id(kPanelContainingText), "1 2 xyz");
  EXPECT_TRUE(waitUntil([&] { return program.text(id(kPanelContainingText)) == "1 2    "; }))
      << program.text(id(kPanelContainingText));
  program.setText(id(kPanelLookIn), treeOf(scratch));
  program.commandNow(kCmdSearch);
  EXPECT_EQ(program.text(id(kPanelContainingText)), "01 02 ");
}

// Input the search cannot mean anything with is refused in a message box with the focus on the
// field; what a run could not search is counted after the totals.
TEST(WindowProgram, RefusedInputAndWhatCouldNotBeSearchedAreSaid) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("tree\\hard.txt", std::string(40000, 'a') + "b");
  scratch.file("Ostry.INI", englishWithOptions(kFirstStart | kOptRegex));
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  const std::string missing = (scratch.path() / "no such folder").string();
  program.setText(id(kPanelNamePatterns), "*.txt");
  program.setText(id(kPanelLookIn), treeOf(scratch) + ";" + missing);
  program.command(kCmdSearch);
  HWND box = nullptr;
  ASSERT_TRUE(waitUntil([&] { return (box = program.topLevel("#32770")) != nullptr; }));
  // The box exists a moment before its text does.
  char message[512] = "";
  waitUntil([&] { return GetDlgItemTextA(box, 0xFFFF, message, sizeof message) > 0; }, 5000);
  EXPECT_EQ(std::string(message), "The folder " + missing + " does not exist.");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(waitUntil([&] { return program.topLevel("#32770") == nullptr; }));
  GUITHREADINFO focus = {sizeof focus};
  ASSERT_TRUE(waitUntil([&] {
    return GetGUIThreadInfo(GetWindowThreadProcessId(program.main(), nullptr), &focus) &&
           (focus.hwndFocus == program.control(id(kPanelLookIn)) ||
            IsChild(program.control(id(kPanelLookIn)), focus.hwndFocus));
  }));
  EXPECT_EQ(program.itemCount(), 0);

  program.setText(id(kPanelLookIn), treeOf(scratch));
  program.setText(id(kPanelContainingText), "^(a+)+$|needle");
  program.command(kCmdSearch);
  ASSERT_TRUE(waitUntil([&] {
    return program.statusText(1).find("not searched") != std::string::npos;
  })) << program.statusText(1);
  EXPECT_EQ(program.statusText(1), "0 files; 1 not searched");
  EXPECT_EQ(program.close(), 0);
}

// The archive fixtures of the native tests, beside this folder.
std::string archiveFixture(const std::string& relative) {
  const std::filesystem::path path = std::filesystem::path(__FILE__).parent_path().parent_path() /
                                     "fixtures" / "archives" / relative;
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// For each archive, how many of the list's rows lie inside it.
std::vector<int> rowsInside(RunningProgram& program, const ScratchFolder& scratch,
                            const std::vector<std::string>& archives) {
  std::vector<int> counts(archives.size(), 0);
  for (int row = 0; row < program.itemCount(); ++row) {
    const std::string folder = program.cellText(row, 4) + "\\";
    for (std::size_t i = 0; i < archives.size(); ++i)
      if (folder.rfind(treeOf(scratch) + "\\" + archives[i] + "\\", 0) == 0) ++counts[i];
  }
  return counts;
}

// Searches the tree for `text`; once the rows inside the archives are as expected (or the wait
// has timed out) and the run is over, gives them.
std::vector<int> searchInside(RunningProgram& program, const ScratchFolder& scratch,
                              const std::string& text, const std::vector<std::string>& archives,
                              const std::vector<int>& expected) {
  program.setText(id(kPanelContainingText), text);
  program.setText(id(kPanelLookIn), treeOf(scratch));
  program.commandNow(kCmdSearch);
  waitUntil([&] { return rowsInside(program, scratch, archives) == expected; }, 30000);
  EXPECT_TRUE(program.waitForSearchEnd());
  return rowsInside(program, scratch, archives);
}

// An archive fixture and how many of its entries hold the text searched for.
struct Holding {
  const char* fixture;
  int entries;
};

// "Search in compressed files" with a containing text finds it in the entries of every ZIP
// method, RAR version and cabinet method that hold it, and in no other.
TEST(WindowProgram, ContainingTextIsFoundInsideCompressedFiles) {
  const std::vector<Holding> words = {
      {"zip/info-zip-stored.zip", 5}, {"zip/info-zip-deflate.zip", 6},
      {"zip/7z-deflate64.zip", 5},    {"zip/7z-bzip2.zip", 5},
      {"zip/7z-lzma.zip", 5},         {"zip/zstd-xz.zip", 3},
      {"zip/legacy-shrink.zip", 3},   {"zip/legacy-reduce2.zip", 3},
      {"zip/legacy-implode.zip", 3},  {"zip/legacy-implode-tree-8k.zip", 3},
      {"rar/rar29.rar", 2},           {"rar/rar29-best.rar", 1},
      {"rar/rar5-stored.rar", 1},     {"cab/gcab-stored.cab", 3},
      {"cab/gcab-mszip.cab", 3},      {"cab/mszip_lzx_qtm.cab", 3},
  };
  const std::vector<Holding> bytes = {{"rar/rar5-compressed.rar", 1}, {"rar/rar5-solid.rar", 0}};
  ScratchFolder scratch;
  std::vector<std::string> archives;
  for (const auto* list : {&words, &bytes})
    for (const Holding& holding : *list) {
      const std::string name = std::filesystem::path(holding.fixture).filename().string();
      scratch.file("tree\\" + name, archiveFixture(holding.fixture));
      archives.push_back(name);
    }
  const auto expected = [&](const std::vector<Holding>& holding, std::size_t at) {
    std::vector<int> counts(archives.size(), 0);
    for (const Holding& h : holding) counts[at++] = h.entries;
    return counts;
  };
  {
    scratch.file("Ostry.INI", englishWithOptions(kFirstStart | kOptRegex | kOptArchives));
    RunningProgram program(scratch.path());
    ASSERT_NE(program.main(), nullptr);
    const std::vector<int> counts = expected(words, 0);
    EXPECT_EQ(searchInside(program, scratch, "needle|decompressor|text document|hello libarchive",
                           archives, counts),
              counts);
    EXPECT_EQ(program.close(), 0);
  }
  // HEX: a solid RAR 5 archive's last entry.
  scratch.file("Ostry.INI", englishWithOptions(kFirstStart | kOptHex | kOptArchives));
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  std::vector<int> counts = expected(bytes, words.size());
  EXPECT_EQ(searchInside(program, scratch, "0B000000 13000000", archives, counts), counts);
  counts[words.size()] = 0;
  counts[words.size() + 1] = 1;
  EXPECT_EQ(searchInside(program, scratch, "05000000 09000000 0F", archives, counts), counts);
  EXPECT_EQ(program.close(), 0);
}

// The same for every method of the DOS-era formats: ARC, ARJ, LHA, ZOO and ACE.
TEST(WindowProgram, ContainingTextIsFoundInsideDosEraArchives) {
  const std::vector<Holding> holding = {
      {"arc/crunched.arc", 6},     {"arc/squashed.arc", 6},     {"arc/old-methods.arc", 4},
      {"arj/stored.arj", 5},       {"arj/method1.arj", 5},      {"arj/method2.arj", 5},
      {"arj/method3.arj", 5},      {"arj/method4.arj", 5},      {"lha/jlha-h1-lh0.lzh", 4},
      {"lha/jlha-h0-lh5.lzh", 4},  {"lha/jlha-h1-lh6.lzh", 4},  {"lha/jlha-h2-lh7.lzh", 4},
      {"lha/lharc113-lh1.lzh", 1}, {"lha/amiga122-lh4.lzh", 1}, {"lha/larc333-lz5.lzs", 1},
      {"lha/lzs.lzs", 1},          {"lha/os2-h3-lh5.lzh", 1},   {"zoo/tree-stored.zoo", 4},
      {"zoo/tree-lzw.zoo", 5},     {"zoo/lzh.zoo", 3},          {"ace/tree-stored.ace", 6},
      {"ace/tree-lz77.ace", 6},    {"ace/tree-solid.ace", 7},
  };
  ScratchFolder scratch;
  std::vector<std::string> archives;
  std::vector<int> counts;
  for (const Holding& h : holding) {
    const std::string name = std::filesystem::path(h.fixture).filename().string();
    scratch.file("tree\\" + name, archiveFixture(h.fixture));
    archives.push_back(name);
    counts.push_back(h.entries);
  }
  scratch.file("Ostry.INI", englishWithOptions(kFirstStart | kOptRegex | kOptArchives));
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  EXPECT_EQ(searchInside(program, scratch, "needle|Foundation", archives, counts), counts);
  EXPECT_EQ(program.close(), 0);
}

}  // namespace
}  // namespace ostrya::uitest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH\\TO\\Ostrya.exe [gtest options]\n", argv[0]);
    return 2;
  }
  ostrya::uitest::setProgramUnderTest(argv[1]);
  const int result = RUN_ALL_TESTS();
  const testing::UnitTest& suite = *testing::UnitTest::GetInstance();
  std::printf("%d passed, %d failed\n", suite.successful_test_count(), suite.failed_test_count());
  return result;
}
