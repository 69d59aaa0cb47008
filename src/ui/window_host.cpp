// Win32 only: the search run's view of the window, and starting and stopping runs.
#include "ui/window_host.h"

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "app/command_ids.h"
#include "app/option_bits.h"
#include "search/search_input.h"
#include "search/search_run.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/status_bar.h"

namespace ostrya {
namespace {

HWND fieldWindow(const MainWindow& w, PanelField field) {
  switch (field) {
    case PanelField::NamePatterns:
      return w.panel.controls[kPanelNamePatterns];
    case PanelField::LookIn:
      return w.panel.controls[kPanelLookIn];
    case PanelField::ContainingText:
      break;
  }
  return w.panel.controls[kPanelContainingText];
}

}  // namespace

void WindowHost::readField(PanelField field, char* out, std::size_t capacity) {
  out[0] = '\0';
  SendMessageA(fieldWindow(w_, field), WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(out));
}

void WindowHost::addToHistory(PanelField field, const char* text) {
  useHistoryText(fieldWindow(w_, field), text);
}

void WindowHost::setField(PanelField field, const char* text) {
  SendMessageA(fieldWindow(w_, field), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void WindowHost::showSearching(bool searching) {
  w_.statusBar.showSearchingIcon(searching);
}

void WindowHost::showFolder(const char* folder) {
  SendMessageA(w_.window, kMsgShowFolder, 0, reinterpret_cast<LPARAM>(folder));
}

void WindowHost::showTotals(const char* text) {
  w_.statusBar.setText(kStatusTotals, text);
}

void WindowHost::setRowCount(uint32_t rows) {
  SendMessageA(w_.panel.controls[kPanelResultList], LVM_SETITEMCOUNT, rows,
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void WindowHost::refreshCommands() {
  SendMessageA(w_.window, kMsgRefreshCommands, 0, 0);
}

void WindowHost::bringForward() {
  SendMessageA(w_.window, kMsgBringForward, 0, 0);
}

void WindowHost::focusFirstRowIfNone() {
  HWND list = w_.panel.controls[kPanelResultList];
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) <= 0) return;
  const WPARAM none = static_cast<WPARAM>(-1);
  if (SendMessageA(list, LVM_GETNEXTITEM, none, LVNI_FOCUSED) != -1 ||
      SendMessageA(list, LVM_GETNEXTITEM, none, LVNI_SELECTED) != -1)
    return;
  ListViewStates(list).setState(0, kStateFocused | kStateSelected);
  SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

// The last thing a run does: from here on its thread touches nothing of the window, so the
// window may wait for it.
void WindowHost::runEnded() {
  w_.search.runOver = true;
  PostMessageA(w_.window, WM_COMMAND, kCmdFocusList, 0);
}

bool searchRunning(const MainWindow& w) {
  return w.search.context.searching.load() != 0 || !w.search.runOver.load();
}

namespace {

// Input the search cannot mean anything with is refused before the list is cleared, with the
// focus on the field the message speaks of.
bool inputRefused(MainWindow& w) {
  char lookIn[kLookInCapacity] = "";
  char text[kContainingTextCapacity] = "";
  GetWindowTextA(fieldWindow(w, PanelField::LookIn), lookIn, sizeof lookIn);
  GetWindowTextA(fieldWindow(w, PanelField::ContainingText), text, sizeof text);
  const InputCheck check = checkSearchInput(lookIn, text, w.options);
  if (check.sound()) return false;
  const std::string message = inputProblemText(check, *w.languages.current);
  MessageBoxA(w.window, message.c_str(), w.title, MB_OK | MB_ICONEXCLAMATION);
  SetFocus(fieldWindow(w, check.field));
  return true;
}

// Language tables and filters replaced while a run read them; no run reads them any more.
void releaseRetired(MainWindow& w) {
  w.languages.retired.clear();
  w.search.retiredFilters.clear();
}

}  // namespace

void startSearchCommand(MainWindow& w) {
  if (searchRunning(w) || inputRefused(w)) return;
  if (w.search.thread.joinable()) w.search.thread.join();
  releaseRetired(w);
  SendMessageA(w.panel.controls[kPanelResultList], LVM_DELETEALLITEMS, 0, 0);
  w.search.context.store.setSortMode(SortMode::Unsorted);
  updateSortArrow(w);
  if ((w.options & kOptHex) != 0) rewriteHexField(w.panel.controls[kPanelContainingText]);
  // What the run reads of the window's state is handed over now, on this thread.
  w.search.context.options = w.options;
  w.search.context.texts = w.languages.current;
  w.search.context.filter = w.search.searchFilter.get();
  w.list.selectionTotals = Totals{};
  w.statusBar.setSelectionText("");
  w.search.runOver = false;
  w.search.thread = startSearch(w.search.context, w.host);
}

void stopSearchCommand(MainWindow& w) {
  if (w.search.context.searching.load() != 0) w.search.context.stopRequests.fetch_add(1);
}

void finishSearch(MainWindow& w) {
  if (w.search.runOver.load() && w.search.thread.joinable()) w.search.thread.join();
  if (w.search.runOver.load()) releaseRetired(w);
}

}  // namespace ostrya
