// Win32 only: the result list's selection as shell items, for the context menu and dragging.
#include "ui/shell_selection.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/main_window_state.h"
#include "ui/result_list.h"

namespace ostrya {
namespace {

// The paths of the selected rows in list order; the current row's alone when none is selected.
std::vector<std::string> selectedPaths(MainWindow& w) {
  HWND list = w.panel.controls[kPanelResultList];
  ResultStore& store = w.search.context.store;
  std::vector<int> rows = selectedRows(list);
  if (rows.empty()) rows.push_back(currentItem(list));
  std::vector<std::string> paths;
  for (int row : rows)
    if (row >= 0) paths.push_back(store.fullPathOfRow(static_cast<uint32_t>(row)));
  if (!paths.empty() && paths.front().empty()) paths.clear();
  return paths;
}

}  // namespace

ShellItems shellItemsOfSelection(MainWindow& w) {
  updateSelection(w);
  return collectShellItems(w.window, selectedPaths(w));
}

}  // namespace ostrya
