// The shell integration driven in the running program: the drive dialog, the shell's context
// menu, rows dragged onto a drop target of this process, and the window list. The drop source's
// answers that no real drag reaches, and the collection of shell items, are tried in this process.
#include <windows.h>
// after windows.h, which they need
#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "foundation/menu_colours.h"
#include "program_driver.h"
#include "scenario.h"
#include "screenshot.h"
#include "ui/drop_source.h"
#include "ui/resources.h"
#include "ui/shell_items.h"

namespace ostrya::uitest {
namespace {

namespace fs = std::filesystem;

constexpr char kDriveCaption[] = " Select drive(s)";

// COM for the shell's interfaces, for one test.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

// Answers the program's messages meanwhile: a window of this process may be asked for its title.
bool responsive(RunningProgram& program) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(program.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

HWND openMenu(RunningProgram& program) {
  HWND menu = nullptr;
  waitUntil([&] {
    menu = program.topLevel("#32768");
    return menu != nullptr && IsWindowVisible(menu);
  });
  return menu;
}

// The popup's picture once its items have been drawn: its place holds many more pixels in the
// menu text's colour than the screen did before it opened.
bool pictureOfMenu(HWND menu, const ScreenPicture& before, ScreenPicture& picture) {
  const COLORREF text = GetSysColor(COLOR_MENUTEXT);
  return waitUntil([&] {
    RECT area = {};
    GetWindowRect(menu, &area);
    picture = captureScreen();
    return picture.pixelsOf(area, text) > before.pixelsOf(area, text) + 50;
  });
}

// Esc closes a popup that has no submenu open; one more would reach the window, where it means
// Exit, so the mode is cancelled instead when Esc was not taken.
bool closeMenu(RunningProgram& program) {
  const auto gone = [&] { return program.topLevel("#32768") == nullptr; };
  PostMessageA(program.main(), WM_KEYDOWN, VK_ESCAPE, 0);
  if (waitUntil(gone, 3000)) return true;
  PostMessageA(program.main(), WM_CANCELMODE, 0, 0);
  return waitUntil(gone, 3000);
}

// The names of the files in a dropped or copied file list.
std::vector<std::string> droppedNames(HDROP files) {
  std::vector<std::string> names;
  if (files == nullptr) return names;
  const UINT count = DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    char path[MAX_PATH] = "";
    DragQueryFileA(files, i, path, sizeof path);
    names.push_back(fs::path(path).filename().string());
  }
  return names;
}

int rowWithText(RunningProgram& program, HWND list, const std::string& text) {
  const auto rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row)
    if (program.cellText(list, row, 0) == text) return row;
  return -1;
}

TEST(ShellIntegration, DriveDialogJoinsTheChosenRootsIntoTheLookInField) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  program.setText(id(kPanelLookIn), "C:\\somewhere");

  // Cancel, even while the list is still being filled, leaves the field and the program as
  // they were.
  program.command(id(kPanelDrives));
  HWND dialog = program.waitForDialog(kDriveCaption);
  ASSERT_NE(dialog, nullptr);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(responsive(program));
  EXPECT_EQ(program.text(id(kPanelLookIn)), "C:\\somewhere");

  program.command(id(kPanelDrives));
  dialog = program.waitForDialog(kDriveCaption);
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, kDriveList);
  int c = -1;
  int z = -1;
  ASSERT_TRUE(waitUntil([&] {
    c = rowWithText(program, list, "C:\\");
    z = rowWithText(program, list, "Z:\\");
    return c >= 0 && z >= 0;
  })) << SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  // A label of its own or the shell's name for it.
  EXPECT_FALSE(program.cellText(list, c, 1).empty());
  EXPECT_FALSE(program.cellText(list, z, 1).empty());

  program.selectRows(list, {c, z});
  RECT rows = {};
  GetWindowRect(list, &rows);
  ScreenPicture picture;
  // Both chosen rows show as selected, across both columns.
  EXPECT_TRUE(waitUntil([&] {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    picture = captureScreen();
    const int width = rows.right - rows.left;
    return picture.pixelsOf(rows, GetSysColor(COLOR_HIGHLIGHT)) >
           static_cast<std::size_t>(2 * width * 8);
  }));
  EXPECT_TRUE(savePicture(picture, "drive-dialog"));

  PostMessageA(dialog, WM_COMMAND, 99, 0);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(program.text(id(kPanelLookIn)), c < z ? "C:\\;Z:\\" : "Z:\\;C:\\");
}

TEST(ShellIntegration, ContextMenuOfTheSelectedFilesShowsAndCloses) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(findTextFilesByName(program, scratch));
  // a.txt and b.txt share a folder; c.txt lies in another and is left out.
  program.selectRows({0, 1, 2});
  HWND list = program.control(id(kPanelResultList));
  RECT area = {};
  GetWindowRect(list, &area);
  const ScreenPicture before = captureScreen();
  PostMessageA(program.main(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
               MAKELPARAM(area.left + 60, area.top + 40));
  HWND menu = openMenu(program);
  ASSERT_NE(menu, nullptr);
  ScreenPicture picture;
  ASSERT_TRUE(pictureOfMenu(menu, before, picture));
  RECT shown = {};
  GetWindowRect(menu, &shown);
  // The shell's menu opens where it was asked for, with some items in it.
  EXPECT_LE(std::abs(shown.left - (area.left + 60)), 2);
  EXPECT_GT(shown.bottom - shown.top, 40);
  EXPECT_TRUE(savePicture(picture, "context-menu"));

  EXPECT_TRUE(closeMenu(program));
  EXPECT_TRUE(responsive(program));
  EXPECT_EQ(program.itemCount(), 3);

  // A chosen item is the shell's to do: Copy puts the files of the first one's folder on the
  // clipboard.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  PostMessageA(program.main(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
               MAKELPARAM(area.left + 60, area.top + 40));
  ASSERT_NE(openMenu(program), nullptr);
  PostMessageA(program.main(), WM_CHAR, 'c', 0);
  EXPECT_TRUE(waitUntil([&] { return program.topLevel("#32768") == nullptr; }, 5000));
  std::vector<std::string> copied;
  EXPECT_TRUE(waitUntil([&] {
    if (!IsClipboardFormatAvailable(CF_HDROP) || !OpenClipboard(nullptr)) return false;
    copied = droppedNames(static_cast<HDROP>(GetClipboardData(CF_HDROP)));
    CloseClipboard();
    return !copied.empty();
  }));
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(copied, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(program.itemCount(), 3);
  EXPECT_EQ(program.close(), 0);
}

// The windows the program should list, in its order: what a user could switch to.
std::vector<HWND> switchableWindows(HWND programWindow) {
  std::vector<HWND> windows;
  for (HWND window = GetTopWindow(nullptr); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    char title[52] = "";
    if (window != programWindow && IsWindowVisible(window) && GetParent(window) == nullptr &&
        GetWindowTextA(window, title, sizeof title) != 0 &&
        lstrcmpiA(title, "Program Manager") != 0)
      windows.push_back(window);
  }
  return windows;
}

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(ShellIntegration, WindowListBringsAnotherWindowForward) {
  ScratchFolder scratch;
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = plainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "OstryaSwitchTarget";
  RegisterClassA(&windowClass);
  HWND other = CreateWindowExA(0, windowClass.lpszClassName, "A window to switch to",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 320, 200, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
  // A neighbour, so that the list shows an item that is not chosen beside the one that is.
  HWND neighbour = CreateWindowExA(0, windowClass.lpszClassName, "A neighbour & friend",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 60, 320, 200, nullptr,
                                   nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_NE(neighbour, nullptr);
  ShowWindow(other, SW_MINIMIZE);
  waitUntil([] { return false; }, 300);

  const ScreenPicture before = captureScreen();
  program.command(kCmdSwitchList);
  HWND menu = openMenu(program);
  ASSERT_NE(menu, nullptr);
  const std::vector<HWND> listed = switchableWindows(program.main());
  const auto at = std::find(listed.begin(), listed.end(), other);
  ASSERT_NE(at, listed.end());
  // The program's own window is never among them: one item per other window, each at least 20
  // pixels high.
  RECT shown = {};
  GetWindowRect(menu, &shown);
  const int itemHeight = std::max(20, GetSystemMetrics(SM_CYMENU));
  EXPECT_GE(shown.bottom - shown.top, static_cast<int>(listed.size()) * itemHeight);
  EXPECT_LT(shown.bottom - shown.top, static_cast<int>(listed.size() + 1) * itemHeight);

  // Drawn in the menus' look: the tinted icon band beside the tinted rest, and the chosen item in
  // its tinted box.
  ScreenPicture picture;
  ASSERT_TRUE(pictureOfMenu(menu, before, picture));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const RECT band = {shown.left + 4, shown.top + 4, shown.left + 20, shown.bottom - 4};
  EXPECT_GT(picture.pixelsOf(band, tint(face, 20, 0)), 100u);
  EXPECT_GT(picture.pixelsOf(shown, tint(face, 75, 0)), 100u);
  for (auto step = listed.begin(); step <= at; ++step)
    PostMessageA(program.main(), WM_KEYDOWN, VK_DOWN, 0);
  const COLORREF chosen = tint(GetSysColor(COLOR_HIGHLIGHT), 70, -57);
  EXPECT_TRUE(waitUntil([&] {
    picture = captureScreen();
    return picture.pixelsOf(shown, chosen) > 100;
  }));
  EXPECT_TRUE(savePicture(picture, "window-list"));

  PostMessageA(program.main(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(waitUntil([&] { return program.topLevel("#32768") == nullptr; }, 5000));
  EXPECT_TRUE(waitUntil([&] { return !IsIconic(other); }));

  // Closed without a choice, the list changes nothing.
  ShowWindow(other, SW_MINIMIZE);
  program.command(kCmdSwitchList);
  ASSERT_NE(openMenu(program), nullptr);
  EXPECT_TRUE(closeMenu(program));
  EXPECT_TRUE(responsive(program));
  EXPECT_TRUE(IsIconic(other));
  DestroyWindow(other);
  DestroyWindow(neighbour);
  UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
  EXPECT_EQ(program.close(), 0);
}

// A drop target of this process: keeps the names of the files dropped on its window.
class FileDropTarget final : public IDropTarget {
 public:
  std::vector<std::string> names;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override {
    if (!IsEqualIID(interfaceId, IID_IUnknown) && !IsEqualIID(interfaceId, IID_IDropTarget)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IDropTarget*>(this);
    return S_OK;
  }
  // Lives on the test's stack, longer than any use.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (SUCCEEDED(data->GetData(&format, &medium))) {
      names = droppedNames(static_cast<HDROP>(medium.hGlobal));
      ReleaseStgMedium(&medium);
    }
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
};

// The mouse as a user moves it: to a point on the screen, with a button going down or up there.
void mouseTo(POINT at, DWORD buttons = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = at.x * 65536 / GetSystemMetrics(SM_CXSCREEN);
  input.mi.dy = at.y * 65536 / GetSystemMetrics(SM_CYSCREEN);
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
  SendInput(1, &input, sizeof input);
  waitUntil([] { return false; }, 50);
}

TEST(ShellIntegration, DraggedRowsArriveAsFilesWhereTheyAreDropped) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(findTextFilesByName(program, scratch));
  program.selectRows({0, 1});

  ASSERT_EQ(OleInitialize(nullptr), S_OK);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = plainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "OstryaDropTarget";
  RegisterClassA(&windowClass);
  HWND targetWindow =
      CreateWindowExA(0, windowClass.lpszClassName, "Drop here", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      800, 100, 200, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(targetWindow, nullptr);
  FileDropTarget target;
  ASSERT_EQ(RegisterDragDrop(targetWindow, &target), S_OK);

  RECT list = {};
  GetWindowRect(program.control(id(kPanelResultList)), &list);
  const POINT from = {list.left + 35, list.top + 25};
  const POINT to = {900, 200};
  mouseTo(from);
  mouseTo(from, MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 20; ++step)
    mouseTo({from.x + (to.x - from.x) * step / 20, from.y + (to.y - from.y) * step / 20});
  mouseTo(to, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(waitUntil([&] { return target.names.size() == 2; })) << target.names.size();
  std::sort(target.names.begin(), target.names.end());
  EXPECT_EQ(target.names, (std::vector<std::string>{"a.txt", "b.txt"}));
  // The list stays as it was, whatever the target did.
  EXPECT_TRUE(responsive(program));
  EXPECT_EQ(program.itemCount(), 3);

  RevokeDragDrop(targetWindow);
  DestroyWindow(targetWindow);
  UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
  OleUninitialize();
  EXPECT_EQ(program.close(), 0);
}

TEST(DropSource, AnswersForItselfAndCountsItsReferences) {
  auto* source = new DropSource;
  void* object = nullptr;
  EXPECT_EQ(source->QueryInterface(IID_IUnknown, &object), S_OK);
  EXPECT_EQ(object, static_cast<IDropSource*>(source));
  EXPECT_EQ(source->QueryInterface(IID_IDropSource, &object), S_OK);
  EXPECT_EQ(object, static_cast<IDropSource*>(source));
  for (const IID& other : {IID_IDataObject, IID_IDropTarget, IID_IClassFactory}) {
    object = source;
    EXPECT_EQ(source->QueryInterface(other, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  // Made with 1, and the two answered queries each added one.
  EXPECT_EQ(source->AddRef(), 4u);
  for (ULONG left = 3; left != static_cast<ULONG>(-1); --left) EXPECT_EQ(source->Release(), left);
}

TEST(DropSource, DropsWhenTheButtonsAreUpAndCancelsOnEscape) {
  struct Case {
    BOOL escape;
    DWORD keys;
    HRESULT answer;
  };
  const Case cases[] = {
      {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
      {TRUE, 0, DRAGDROP_S_CANCEL},
      {FALSE, 0, DRAGDROP_S_DROP},
      {FALSE, MK_SHIFT | MK_CONTROL, DRAGDROP_S_DROP},
      {FALSE, MK_MBUTTON, DRAGDROP_S_DROP},
      {FALSE, MK_LBUTTON, S_OK},
      {FALSE, MK_RBUTTON, S_OK},
      {FALSE, MK_LBUTTON | MK_RBUTTON | MK_CONTROL, S_OK},
  };
  auto* source = new DropSource;
  for (const Case& test : cases)
    EXPECT_EQ(source->QueryContinueDrag(test.escape, test.keys), test.answer)
        << test.escape << " " << test.keys;
  for (DWORD effect :
       std::initializer_list<DWORD>{DROPEFFECT_NONE, DROPEFFECT_COPY, DROPEFFECT_MOVE,
                                    DROPEFFECT_LINK, DROPEFFECT_COPY | DROPEFFECT_SCROLL})
    EXPECT_EQ(source->GiveFeedback(effect), DRAGDROP_S_USEDEFAULTCURSORS) << effect;
  source->Release();
}

// The folder the items were collected in, as a path.
fs::path parentPath(IShellFolder& parent) {
  void* persist = nullptr;
  if (FAILED(parent.QueryInterface(IID_IPersistFolder2, &persist))) return {};
  const ComPtr<IPersistFolder2> folder(static_cast<IPersistFolder2*>(persist));
  ITEMIDLIST* items = nullptr;
  if (FAILED(folder->GetCurFolder(&items))) return {};
  const OwnedItemIds owned(items);
  char path[MAX_PATH] = "";
  return SHGetPathFromIDListA(owned.get(), path) ? fs::path(path) : fs::path();
}

std::string nameOf(IShellFolder& parent, PCUITEMID_CHILD item) {
  STRRET name = {};
  char text[MAX_PATH] = "";
  if (FAILED(parent.GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &name)) ||
      FAILED(StrRetToBufA(&name, item, text, sizeof text)))
    return {};
  return text;
}

TEST(ShellItems, TheFirstFileGivesTheFolderAndTheOthersAreMatchedThereByName) {
  const ComApartment com;
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("other\\b.txt", "another b");
  scratch.file("other\\x.txt", "x");
  const fs::path tree = treeOf(scratch);
  const fs::path other = scratch.path() / "other";
  struct Case {
    std::vector<fs::path> paths;
    fs::path folder;
    // The first file's item, then the others in any order; none when the shell knows nothing.
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {{tree / "a.txt"}, tree, {"a.txt"}},
      {{tree / "a.txt", tree / "b.txt"}, tree, {"a.txt", "b.txt"}},
      {{tree / "b.txt", tree / "A.TXT", tree / "a.txt"}, tree, {"b.txt", "a.txt"}},
      {{tree / "a.txt", tree / "sub" / "c.txt"}, tree, {"a.txt"}},
      {{tree / "a.txt", other / "b.txt", tree / "d.dat"}, tree, {"a.txt", "b.txt", "d.dat"}},
      {{tree / "sub", tree / "a.txt"}, tree, {"sub", "a.txt"}},
      {{other / "x.txt", tree / "a.txt", tree / "b.txt"}, other, {"x.txt", "b.txt"}},
      {{tree / "gone.txt", tree / "a.txt"}, {}, {}},
      {{}, {}, {}},
  };
  for (const Case& test : cases) {
    std::vector<std::string> paths;
    for (const fs::path& path : test.paths) paths.push_back(path.string());
    const std::string label = paths.empty() ? "(none)" : paths.front();
    const ShellItems shell = collectShellItems(nullptr, paths);
    if (test.names.empty()) {
      EXPECT_TRUE(shell.empty()) << label;
      continue;
    }
    ASSERT_FALSE(shell.empty()) << label;
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(parentPath(*shell.parent), test.folder, error)) << label;
    std::vector<std::string> names;
    for (PCUITEMID_CHILD item : shell.array()) names.push_back(nameOf(*shell.parent, item));
    ASSERT_EQ(names.size(), test.names.size()) << label;
    EXPECT_EQ(names.front(), test.names.front()) << label;
    std::vector<std::string> rest(names.begin() + 1, names.end());
    std::vector<std::string> expected(test.names.begin() + 1, test.names.end());
    std::sort(rest.begin(), rest.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rest, expected) << label;
  }
}

}  // namespace
}  // namespace ostrya::uitest
