// Win32 only: the drive selection dialog, which fills the look-in field with chosen drive roots.
#include "ui/drive_dialog.h"

#include <windows.h>
// after windows.h, which they need
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <cctype>
#include <functional>
#include <string>
#include <system_error>
#include <thread>

#include "foundation/dialog_labels.h"
#include "ui/dialog_frame.h"
#include "ui/language_ui.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/result_list.h"

namespace ostrya {
namespace {

constexpr DWORD kDriveStringsCapacity = 128;
constexpr int kRootCapacity = 32;
constexpr int kLabelCapacity = 32;
constexpr int kRootColumnWidth = 50;

// What the dialog shares with the thread that fills its list.
struct DriveDialog {
  MainWindow* w;
  std::thread filler;
  // Set when the dialog goes; the filler stops before its next drive.
  std::atomic<bool> stop{false};
  // Set by the filler as its last act: nothing it does after that touches the dialog.
  std::atomic<bool> finished{false};
};

// The shell and the volume calls behind it expect COM on the thread that asks.
class ComThread {
 public:
  ComThread() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComThread() {
    if (initialised_) CoUninitialize();
  }
  ComThread(const ComThread&) = delete;
  ComThread& operator=(const ComThread&) = delete;

 private:
  bool initialised_;
};

// The volume label, asked only where asking cannot hang on a floppy or a network: never for the
// removable drives A: and B: nor for network drives. Otherwise, and when there is no label, the
// shell's name for the drive.
std::string labelOf(const char* root) {
  const UINT type = GetDriveTypeA(root);
  const int letter = std::toupper(static_cast<unsigned char>(root[0]));
  const bool ask = type != DRIVE_REMOTE && (type != DRIVE_REMOVABLE || letter > 'C');
  char label[kLabelCapacity] = "";
  if (ask &&
      GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) &&
      label[0] != '\0')
    return label;
  SHFILEINFOA info = {};
  SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

void addDrive(HWND list, int row, char* root) {
  SHFILEINFOA info = {};
  SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  std::string label = labelOf(root);
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = root;
  item.iImage = info.iIcon;
  const LRESULT at = SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  if (at < 0) return;
  LVITEMA second = {};
  second.iSubItem = 1;
  second.pszText = label.data();
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&second));
}

// The filler's thread: one row per drive, until the drives or the dialog are gone.
void fillDriveList(DriveDialog& dialog, HWND list) {
  {
    const ComThread com;
    char roots[kDriveStringsCapacity] = "";
    const DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    if (length != 0 && length < sizeof roots) {
      int row = 0;
      for (char* root = roots; *root != '\0'; root += lstrlenA(root) + 1) {
        if (dialog.stop.load() || !IsWindow(list)) break;
        addDrive(list, row++, root);
      }
    }
  }
  dialog.finished.store(true);
}

// The filler may be waiting in a message it sent to the list: such messages are answered while
// it finishes, so that it never waits for a dialog that waits for it.
void endFiller(DriveDialog& dialog) {
  if (!dialog.filler.joinable()) return;
  dialog.stop.store(true);
  while (!dialog.finished.load()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  dialog.filler.join();
}

void prepareList(HWND list) {
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SHFILEINFOA info = {};
  const auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  RECT client = {};
  GetClientRect(list, &client);
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH;
  column.cx = kRootColumnWidth;
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = client.right - kRootColumnWidth;
  SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
}

// The selected roots joined by ";".
std::string chosenRoots(HWND list) {
  std::string roots;
  for (int row : selectedRows(list)) {
    char root[kRootCapacity] = "";
    LVITEMA item = {};
    item.pszText = root;
    item.cchTextMax = sizeof root;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    if (!roots.empty()) roots += ';';
    roots += root;
  }
  return roots;
}

INT_PTR CALLBACK driveDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = dialogState<DriveDialog>(dialog);
  HWND list = GetDlgItem(dialog, kDriveList);
  switch (message) {
    case WM_INITDIALOG: {
      state = &keepDialogState<DriveDialog>(dialog, lParam);
      labelWindow(dialog, state->w->languages.current,
                  dialogLabels(LabelledWindow::DriveSelection));
      prepareList(list);
      centreOver(dialog, state->w->window);
      // Without a thread the list stays empty; nothing may leave a window procedure by throwing.
      try {
        state->filler = std::thread(fillDriveList, std::ref(*state), list);
      } catch (const std::system_error&) {
        state->finished.store(true);
      }
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (isOkCommand(id)) {
        const std::string roots = chosenRoots(list);
        if (!roots.empty()) SetWindowTextA(state->w->panel.controls[kPanelLookIn], roots.c_str());
        EndDialog(dialog, 1);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
      }
      return TRUE;
    }
    case WM_DESTROY:
      // The list still exists here: its children go after the dialog's own message.
      if (state != nullptr) endFiller(*state);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void selectDrives(MainWindow& w) {
  DriveDialog dialog{&w};
  // The filler ends with the dialog's window, before the call returns.
  DialogBoxParamA(w.instance, MAKEINTRESOURCEA(kDriveDialog), w.window, driveDialogProc,
                  reinterpret_cast<LPARAM>(&dialog));
}

}  // namespace ostrya
