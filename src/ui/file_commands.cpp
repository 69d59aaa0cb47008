// Win32 only: the commands that act on the found files themselves. The shell does the work;
// these pick the rows, hand their paths over and make the result list follow what changed.
#include "ui/file_commands.h"

#include <shellapi.h>
#include <shlobj.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/file_operations.h"
#include "foundation/config_values.h"
#include "foundation/dialog_labels.h"
#include "foundation/error_box.h"
#include "foundation/language_table.h"
#include "foundation/path_text.h"
#include "foundation/text_lookup.h"
#include "results/records.h"
#include "ui/commands.h"
#include "ui/dialog_frame.h"
#include "ui/folder_browser.h"
#include "ui/language_ui.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/shell_owners.h"

namespace ostrya {
namespace {

constexpr char kCopyHistory[] = "Copy";
constexpr uint32_t kTextCopyCaption = 6203;
constexpr uint32_t kTextCopyLabel = 6204;
constexpr uint32_t kTextMoveCaption = 6205;
constexpr uint32_t kTextMoveLabel = 6206;
constexpr std::size_t kTextCapacity = 260;

HWND listOf(const MainWindow& w) {
  return w.panel.controls[kPanelResultList];
}

ResultStore& storeOf(MainWindow& w) {
  return w.search.context.store;
}

std::string languageText(const MainWindow& w, uint32_t id) {
  char text[kTextCapacity] = "";
  getText(w.languages.current, id, text, sizeof text);
  return text;
}

// A found file as the shell takes it: for an entry inside an archive, the archive itself.
struct RowFile {
  std::string path;
  std::string folder;
  bool isFolder = false;
};

RowFile fileOfRow(ResultStore& store, uint32_t row) {
  RowFile file;
  file.path = store.fullPathOfRow(row);
  file.folder = parentOf(file.path);
  std::lock_guard hold(store.lock());
  const ResultRecord record = store.recordOfRowLocked(row);
  file.isFolder =
      record.bytes() != nullptr && record.isFolder() && (record.attributes() & kRecInArchive) == 0;
  return file;
}

// The selected rows in list order, those with a path.
std::vector<RowFile> selectedFiles(MainWindow& w) {
  std::vector<RowFile> files;
  for (int row : selectedRows(listOf(w))) {
    RowFile file = fileOfRow(storeOf(w), static_cast<uint32_t>(row));
    if (!file.path.empty()) files.push_back(std::move(file));
  }
  return files;
}

std::vector<std::string> pathsOf(const std::vector<RowFile>& files) {
  std::vector<std::string> paths;
  paths.reserve(files.size());
  for (const RowFile& file : files) paths.push_back(file.path);
  return paths;
}

// The shell's own error numbers from before Win32, which overlap system codes of another
// meaning: the shell has said what went wrong itself when it returns one of them.
bool isShellOwnError(int code) {
  return (code >= 0x71 && code <= 0x88) || code == 0xB7 || code == 0x402 || code == 0x10000 ||
         code == 0x10074;
}

// One call of the shell's file operation; 0 when it succeeded. A failure the user did not choose
// is said: some shells return a system code without a word. The store is not locked
// meanwhile: the shell's questions and progress run a message loop on this thread, and the list
// paints its rows from the store while they show.
int shellFileOperation(MainWindow& w, UINT function, const std::string& from, const std::string& to,
                       FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTA operation = {};
  operation.hwnd = w.window;
  operation.wFunc = function;
  operation.pFrom = from.c_str();
  operation.pTo = to.empty() ? nullptr : to.c_str();
  operation.fFlags = flags;
  const int result = SHFileOperationA(&operation);
  if (result != 0 && !operation.fAnyOperationsAborted && !isShellOwnError(result))
    showSystemError(w.window, result, w.title);
  return result;
}

// After a move or a delete: the totals of what is left, no selection, the new row count.
void showListChanged(MainWindow& w) {
  Totals totals;
  {
    std::lock_guard hold(storeOf(w).lock());
    totals = w.search.context.resultTotals;
  }
  const std::string text = totalsText(totals, TotalsKind::Total, false, *w.languages.current,
                                      w.search.context.thousandsSeparator);
  w.statusBar.setText(kStatusTotals, text.c_str());
  w.statusBar.setSelectionText("");
  w.list.selectionTotals = Totals{};
  SendMessageA(listOf(w), LVM_SETITEMCOUNT, storeOf(w).rowCount(),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(listOf(w), nullptr, FALSE);
  refreshCommandStates(w);
}

// After a move or a delete, the selected rows whose files are no longer where they were leave
// the store; the totals are counted from the rows kept. Asked of the files themselves, so that an
// operation the user stopped halfway removes the rows of the files it did move, and only those.
void dropRowsOfGoneFiles(MainWindow& w, const std::vector<std::string>& paths) {
  std::set<std::string> gone;
  for (const std::string& path : paths)
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) gone.insert(path);
  if (gone.empty()) return;
  ResultStore& store = storeOf(w);
  ListViewStates states(listOf(w));
  const Totals kept = store.rebuildKeeping(
      [&](const ResultRecord& record) {
        return (record.listState() & kStateSelected) == 0 ||
               gone.count(store.joinedPathLocked(record)) == 0;
      },
      &states, *w.languages.current);
  std::lock_guard hold(store.lock());
  w.search.context.resultTotals = kept;
}

// The copy target dialog: which folder the selection goes to.
struct CopyTarget {
  MainWindow* w;
  bool move;
  std::string folder;
};

INT_PTR CALLBACK copyTargetProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* target = dialogState<CopyTarget>(dialog);
  HWND folder = GetDlgItem(dialog, kCopyTargetFolder);
  switch (message) {
    case WM_INITDIALOG: {
      target = &keepDialogState<CopyTarget>(dialog, lParam);
      MainWindow& w = *target->w;
      labelWindow(dialog, w.languages.current, dialogLabels(LabelledWindow::CopyTarget));
      SetWindowTextA(dialog,
                     languageText(w, target->move ? kTextMoveCaption : kTextCopyCaption).c_str());
      SetDlgItemTextA(dialog, kCopyTargetLabel,
                      languageText(w, target->move ? kTextMoveLabel : kTextCopyLabel).c_str());
      SendMessageA(folder, CB_LIMITTEXT, kTextCapacity - 1, 0);
      loadHistory(w.config, folder, kCopyHistory);
      SendMessageA(folder, CB_SETCURSEL, 0, 0);
      centreOver(dialog, w.window);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == kBrowseButton) {
        browseForFolder(dialog, folder);
      } else if (isOkCommand(id)) {
        char text[kTextCapacity] = "";
        GetWindowTextA(folder, text, sizeof text);
        if (text[0] != '\0') {
          useHistoryText(folder, text);
          saveHistory(target->w->config, folder, kCopyHistory);
          target->folder = text;
        }
        EndDialog(dialog, text[0] != '\0' ? 1 : 0);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void copyOrMove(MainWindow& w, bool move) {
  if (storeOf(w).rowCount() == 0) return;
  CopyTarget target{&w, move, {}};
  if (DialogBoxParamA(w.instance, MAKEINTRESOURCEA(kCopyTargetDialog), w.window, copyTargetProc,
                      reinterpret_cast<LPARAM>(&target)) <= 0)
    return;
  const std::vector<std::string> paths = pathsOf(selectedFiles(w));
  if (paths.empty()) return;
  shellFileOperation(w, move ? FO_MOVE : FO_COPY, shellPathList(paths),
                     shellPathList({target.folder}), 0);
  // A copy leaves every found file where it was.
  if (!move) return;
  dropRowsOfGoneFiles(w, paths);
  showListChanged(w);
}

// A rename the shell did: the new name must exist before the row takes it.
void renameRow(MainWindow& w, uint32_t row, const char* newName) {
  const std::string oldPath = storeOf(w).fullPathOfRow(row);
  const std::string newPath = renamedPath(oldPath, newName);
  if (oldPath.empty() || newPath.empty()) return;
  // A name another file has is refused here, in the system's words: shells differ in what they
  // say about it, and some say nothing. Another case of the same name is the same file.
  if (lstrcmpiA(oldPath.c_str(), newPath.c_str()) != 0 &&
      GetFileAttributesA(newPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
    showSystemError(w.window, ERROR_ALREADY_EXISTS, newPath.c_str());
    return;
  }
  if (shellFileOperation(w, FO_RENAME, shellPathList({oldPath}), shellPathList({newPath}), 0) !=
          0 ||
      GetFileAttributesA(newPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return;
  ListViewStates states(listOf(w));
  storeOf(w).rebuildRenamed(row, newName, &states, *w.languages.current);
  InvalidateRect(listOf(w), nullptr, FALSE);
}

// The shell's own errors are shown by the shell.
void shellExecute(HWND owner, const char* verb, const char* file, const char* parameters,
                  const char* folder, ULONG mask = 0) {
  SHELLEXECUTEINFOA run = {};
  run.cbSize = sizeof run;
  run.fMask = mask;
  run.hwnd = owner;
  run.lpVerb = verb;
  run.lpFile = file;
  run.lpParameters = parameters;
  run.lpDirectory = folder;
  run.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&run);
}

bool rowInArchive(MainWindow& w, uint32_t row) {
  std::lock_guard hold(storeOf(w).lock());
  const ResultRecord record = storeOf(w).recordOfRowLocked(row);
  return record.bytes() == nullptr || (record.attributes() & kRecInArchive) != 0;
}

void callModuleEntry(MainWindow& w, const std::string& path, const char* entryPoint) {
  SetLastError(0);
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    showSystemError(w.window, static_cast<int>(GetLastError()), w.title);
    return;
  }
  using EntryPoint = HRESULT(STDAPICALLTYPE*)();
  const auto entry =
      reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, entryPoint)));
  uint32_t failure = 0;
  if (entry == nullptr)
    failure = kTextEntryPointMissing;
  else if (entry() != S_OK)
    failure = kTextModuleCallFailed;
  if (failure != 0) {
    const std::string text = moduleMessage(languageText(w, failure), entryPoint, path);
    MessageBoxA(w.window, text.c_str(), w.title, MB_OK | MB_ICONERROR);
  }
  FreeLibrary(module);
}

}  // namespace

void makeShortcuts(MainWindow& w) {
  if (storeOf(w).rowCount() == 0) return;
  ITEMIDLIST* items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(w.window, CSIDL_DESKTOP, &items))) return;
  const OwnedItemIds desktopItems(items);
  char desktop[MAX_PATH] = "";
  if (!SHGetPathFromIDListA(desktopItems.get(), desktop)) return;
  for (const RowFile& file : selectedFiles(w)) {
    const std::string link = shortcutPath(desktop, fileNameOf(file.path));
    void* made = nullptr;
    if (link.empty() || FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IShellLinkA, &made)))
      continue;
    const ComPtr<IShellLinkA> shellLink(static_cast<IShellLinkA*>(made));
    shellLink->SetPath(file.path.c_str());
    shellLink->SetDescription(std::string(fileNameOf(link)).c_str());
    shellLink->SetWorkingDirectory(file.folder.c_str());
    void* persist = nullptr;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, &persist))) continue;
    const ComPtr<IPersistFile> linkFile(static_cast<IPersistFile*>(persist));
    const std::wstring linkPath = wideText(link);
    if (!linkPath.empty()) linkFile->Save(linkPath.c_str(), TRUE);
  }
}

void runSelection(MainWindow& w) {
  if (storeOf(w).rowCount() == 0) return;
  for (const RowFile& file : selectedFiles(w))
    shellExecute(w.window, nullptr, file.path.c_str(), nullptr, file.folder.c_str());
}

// The path goes to Notepad as it stands: Notepad takes its whole command line as one name.
void editSelection(MainWindow& w) {
  if (storeOf(w).rowCount() == 0) return;
  for (const RowFile& file : selectedFiles(w))
    shellExecute(w.window, nullptr, "notepad.exe", file.path.c_str(), nullptr);
}

void copySelection(MainWindow& w) {
  copyOrMove(w, false);
}

void moveSelection(MainWindow& w) {
  copyOrMove(w, true);
}

// To the recycle bin, after the shell's own question.
void deleteSelection(MainWindow& w) {
  if (storeOf(w).rowCount() == 0) return;
  const std::vector<std::string> paths = pathsOf(selectedFiles(w));
  if (!paths.empty()) {
    shellFileOperation(w, FO_DELETE, shellPathList(paths), {}, FOF_ALLOWUNDO);
    dropRowsOfGoneFiles(w, paths);
  }
  showListChanged(w);
}

void showProperties(MainWindow& w) {
  if (storeOf(w).rowCount() == 0) return;
  const int row = currentItem(listOf(w));
  const std::string path = row >= 0 ? storeOf(w).fullPathOfRow(static_cast<uint32_t>(row)) : "";
  if (path.empty()) {
    MessageBeep(MB_ICONHAND);
    return;
  }
  shellExecute(w.window, "properties", path.c_str(), nullptr, nullptr, SEE_MASK_INVOKEIDLIST);
}

// A module that cannot be loaded shows the system's reason; a missing or failing entry point
// shows the language's text. Error boxes for missing files and faults inside the module stay
// off from here on, as a module may take the process down with them otherwise.
void registerModules(MainWindow& w, bool unregister) {
  if (storeOf(w).rowCount() == 0) return;
  const char* entryPoint = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  for (const RowFile& file : selectedFiles(w)) {
    if (file.isFolder) continue;
    OleInitialize(nullptr);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    callModuleEntry(w, file.path, entryPoint);
    OleUninitialize();
  }
}

void startRename(MainWindow& w) {
  if (storeOf(w).rowCount() == 0) return;
  const int row = currentItem(listOf(w));
  if (row < 0) return;
  SetFocus(listOf(w));
  SendMessageA(listOf(w), LVM_EDITLABELA, static_cast<WPARAM>(row), 0);
}

// Refused for rows inside archives and while a search runs; TRUE refuses.
LRESULT onBeginLabelEdit(MainWindow& w, const NMLVDISPINFOA& edit) {
  const int row = edit.item.iItem;
  if (row < 0 || w.search.context.searching.load() != 0 ||
      rowInArchive(w, static_cast<uint32_t>(row)))
    return TRUE;
  w.list.renaming = true;
  w.list.renameCancels = 0;
  return FALSE;
}

LRESULT onEndLabelEdit(MainWindow& w, const NMLVDISPINFOA& edit) {
  const int row = edit.item.iItem;
  const bool take = w.list.renameCancels == 0 && row >= 0 && edit.item.pszText != nullptr;
  w.list.renaming = false;
  if (!take) return FALSE;
  renameRow(w, static_cast<uint32_t>(row), edit.item.pszText);
  return TRUE;
}

void cancelRename(MainWindow& w, HWND editControl) {
  ++w.list.renameCancels;
  DestroyWindow(editControl);
}

}  // namespace ostrya
