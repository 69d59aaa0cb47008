// Win32 only: starts the real window program in a folder of its own and talks to it by
// messages, as a user's tools would.
#include "program_driver.h"

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/command_ids.h"
#include "app/panel_controls.h"

namespace ostrya::uitest {
namespace {

namespace fs = std::filesystem;

fs::path& programPath() {
  static fs::path path;
  return path;
}

struct FoundWindow {
  DWORD processId;
  const char* className;
  HWND window;
  const char* caption = nullptr;  // any when null
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<FoundWindow*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (owner != found->processId || std::strcmp(name, found->className) != 0) return TRUE;
  if (found->caption != nullptr) {
    char caption[128] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(caption, found->caption) != 0) return TRUE;
  }
  found->window = window;
  return FALSE;
}

// Memory inside the program, for messages that answer through a pointer.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, std::size_t size)
      : process_(process),
        block_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBlock() {
    if (block_) VirtualFreeEx(process_, block_, 0, MEM_RELEASE);
  }
  char* at(std::size_t offset) const { return static_cast<char*>(block_) + offset; }
  void write(std::size_t offset, const void* bytes, std::size_t size) const {
    WriteProcessMemory(process_, at(offset), bytes, size, nullptr);
  }
  bool readInto(std::size_t offset, void* out, std::size_t size) const {
    return ReadProcessMemory(process_, at(offset), out, size, nullptr) != 0;
  }
  std::string read(std::size_t offset, std::size_t size) const {
    std::vector<char> bytes(size + 1, '\0');
    ReadProcessMemory(process_, at(offset), bytes.data(), size, nullptr);
    return std::string(bytes.data());
  }

 private:
  HANDLE process_;
  void* block_;
};

constexpr std::size_t kTextSize = 520;

}  // namespace

const fs::path& programUnderTest() {
  return programPath();
}

void setProgramUnderTest(const fs::path& program) {
  programPath() = program;
}

ScratchFolder::ScratchFolder() {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  static int serial = 0;
  path_ = fs::path(base) /
          ("ostrya-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ScratchFolder::file(const std::string& relative, const std::string& contents) const {
  const fs::path target = path_ / relative;
  fs::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary) << contents;
}

std::string ScratchFolder::text(const std::string& relative) const {
  std::ifstream in(path_ / relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Messages are handled while waiting, so that the program can send to a window of the test.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

RunningProgram::RunningProgram(const fs::path& folder, const std::string& arguments,
                               bool expectLanguageDialog) {
  const fs::path program = folder / "Ostrya.exe";
  if (!CopyFileA(programUnderTest().string().c_str(), program.string().c_str(), FALSE)) return;
  std::string commandLine = "\"" + program.string() + "\"";
  if (!arguments.empty()) commandLine += " \"" + arguments + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.string().c_str(), &startup, &process_))
    return;
  WaitForInputIdle(process_.hProcess, 10000);
  if (expectLanguageDialog)
    waitUntil([this] { return (dialog_ = topLevel("#32770")) != nullptr; });
  else
    waitUntil([this] { return (main_ = topLevel("Ostrya")) != nullptr; });
}

RunningProgram::~RunningProgram() {
  if (process_.hProcess == nullptr) return;
  if (close() == -1) TerminateProcess(process_.hProcess, 1);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

// The window exists from the start of its creation, which may wait for the language dialog;
// it is ready once WinMain has shown it.
HWND RunningProgram::main() {
  if (main_ == nullptr || !IsWindowVisible(main_))
    waitUntil([this] {
      main_ = topLevel("Ostrya");
      return main_ != nullptr && IsWindowVisible(main_);
    });
  return main_;
}

HWND RunningProgram::topLevel(const char* className) const {
  FoundWindow found = {process_.dwProcessId, className, nullptr};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

HWND RunningProgram::waitForDialog(const std::string& caption, DWORD timeoutMs) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        FoundWindow dialog = {process_.dwProcessId, "#32770", nullptr, caption.c_str()};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&dialog));
        found = dialog.window;
        return found != nullptr && IsWindowVisible(found);
      },
      timeoutMs);
  return found;
}

HWND RunningProgram::control(int id) {
  return GetDlgItem(main(), id);
}

std::string RunningProgram::text(int id) {
  char text[kTextSize] = "";
  SendMessageA(control(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void RunningProgram::setText(int id, const std::string& text) {
  SendMessageA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningProgram::command(int id) {
  PostMessageA(main(), WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void RunningProgram::commandNow(int id) {
  SendMessageA(main(), WM_COMMAND, static_cast<WPARAM>(id), 0);
}

bool RunningProgram::checked(int id) {
  return SendMessageA(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int RunningProgram::itemCount() {
  return static_cast<int>(
      SendMessageA(control(panelControlId(kPanelResultList)), LVM_GETITEMCOUNT, 0, 0));
}

bool RunningProgram::buttonEnabled(int command) {
  return SendMessageA(GetDlgItem(main(), 1), TB_ISBUTTONENABLED, command, 0) != 0;
}

std::string RunningProgram::remoteCall(HWND window, UINT message, WPARAM wParam,
                                       const void* request, std::size_t requestSize,
                                       std::size_t textOffset, std::size_t textSize) {
  RemoteBlock block(process_.hProcess, requestSize + textSize);
  std::vector<char> bytes(static_cast<const char*>(request),
                          static_cast<const char*>(request) + requestSize);
  // The request's text pointer, if it has one, points into the block behind it.
  if (textOffset != static_cast<std::size_t>(-1)) {
    char* text = block.at(requestSize);
    std::memcpy(bytes.data() + textOffset, &text, sizeof text);
  }
  if (requestSize != 0) block.write(0, bytes.data(), requestSize);
  SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(block.at(0)));
  return block.read(requestSize, textSize - 1);
}

std::string RunningProgram::cellText(int row, int column) {
  return cellText(control(panelControlId(kPanelResultList)), row, column);
}

std::string RunningProgram::cellText(HWND list, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.cchTextMax = kTextSize;
  return remoteCall(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), &item, sizeof item,
                    offsetof(LVITEMA, pszText), kTextSize);
}

std::string RunningProgram::columnTitle(int column) {
  LVCOLUMNA item = {};
  item.mask = LVCF_TEXT;
  item.cchTextMax = kTextSize;
  return remoteCall(control(panelControlId(kPanelResultList)), LVM_GETCOLUMNA,
                    static_cast<WPARAM>(column), &item, sizeof item, offsetof(LVCOLUMNA, pszText),
                    kTextSize);
}

std::string RunningProgram::statusText(int part) {
  return remoteCall(GetDlgItem(main(), 2), SB_GETTEXTA, static_cast<WPARAM>(part), nullptr, 0,
                    static_cast<std::size_t>(-1), kTextSize);
}

void RunningProgram::clickColumnHeader(int column) {
  HWND list = control(panelControlId(kPanelResultList));
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int x = 10;
  for (int before = 0; before < column; ++before)
    x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, before, 0));
  const LPARAM at = MAKELPARAM(x, 5);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
}

void RunningProgram::selectRows(const std::vector<int>& rows) {
  selectRows(control(panelControlId(kPanelResultList)), rows);
}

void RunningProgram::selectRows(HWND list, const std::vector<int>& rows) {
  RemoteBlock block(process_.hProcess, sizeof(LVITEMA));
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  block.write(0, &item, sizeof item);
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(block.at(0)));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    item.state = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
    block.write(0, &item, sizeof item);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(rows[i]),
                 reinterpret_cast<LPARAM>(block.at(0)));
  }
}

HWND RunningProgram::renameEdit() {
  HWND edit = nullptr;
  waitUntil([&] {
    edit = reinterpret_cast<HWND>(
        SendMessageA(control(panelControlId(kPanelResultList)), LVM_GETEDITCONTROL, 0, 0));
    return edit != nullptr;
  });
  return edit;
}

std::vector<int> RunningProgram::columnOrder() {
  HWND list = control(panelControlId(kPanelResultList));
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const auto count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return {};
  std::vector<int> order(static_cast<std::size_t>(count));
  RemoteBlock block(process_.hProcess, order.size() * sizeof(int));
  if (SendMessageA(list, LVM_GETCOLUMNORDERARRAY, order.size(),
                   reinterpret_cast<LPARAM>(block.at(0))) == 0 ||
      !block.readInto(0, order.data(), order.size() * sizeof(int)))
    return {};
  return order;
}

RECT RunningProgram::headerItemRect(int index) {
  HWND list = control(panelControlId(kPanelResultList));
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  RemoteBlock block(process_.hProcess, sizeof(RECT));
  RECT area = {};
  if (SendMessageA(header, HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(block.at(0))) == 0 ||
      !block.readInto(0, &area, sizeof area))
    return {};
  MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

ScreenPicture RunningProgram::drawnPicture() {
  RedrawWindow(main(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return captureScreen();
}

bool RunningProgram::savePictureOf(HWND shown, const ScreenPicture& before,
                                   const std::string& name) {
  ScreenPicture now;
  const bool drawn = waitUntil([&] {
    RECT area = {};
    if (!IsWindow(shown) || !GetWindowRect(shown, &area)) return false;
    RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    now = captureScreen();
    return now.differenceIn(before, area) > 0.5;
  });
  return drawn && savePicture(now, name);
}

bool RunningProgram::selectListEntry(HWND dialog, int id, const std::string& part) {
  HWND list = GetDlgItem(dialog, id);
  const auto count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    char bytes[2 * kTextSize] = "";
    if (SendMessageA(list, LB_GETTEXTLEN, index, 0) >= static_cast<LRESULT>(kTextSize)) continue;
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(bytes));
    // Wine hands a list box's text to another process in UTF-16; the texts here are ASCII.
    std::string text;
    const bool wide = bytes[0] != '\0' && bytes[1] == '\0';
    for (std::size_t at = 0; at < sizeof bytes && bytes[at] != '\0'; at += wide ? 2 : 1)
      text += bytes[at];
    if (text.find(part) == std::string::npos) continue;
    SendMessageA(list, LB_SETCURSEL, index, 0);
    return true;
  }
  return false;
}

RECT RunningProgram::clientRect(int id) {
  RECT rect = {};
  GetWindowRect(control(id), &rect);
  MapWindowPoints(nullptr, main(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The window refuses to close while a search runs: asked again until the run is over.
int RunningProgram::close() {
  if (running() && !waitUntil([this] {
        if (main_ != nullptr) PostMessageA(main_, WM_CLOSE, 0, 0);
        return WaitForSingleObject(process_.hProcess, 200) == WAIT_OBJECT_0;
      }))
    return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

bool RunningProgram::running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool RunningProgram::waitForSearchEnd() {
  return waitUntil([this] { return buttonEnabled(kCmdSearch) && !buttonEnabled(kCmdStop); }, 30000);
}

}  // namespace ostrya::uitest
