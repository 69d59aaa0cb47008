// Win32 only: the virtual result list, its columns, sorting from the header and the selection.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <vector>

#include "app/column_table.h"
#include "results/result_store.h"
#include "results/totals.h"
#include "ui/gdi_owners.h"

namespace ostrya {

struct MainWindow;

// What the list keeps besides its window, which is the panel's last control.
struct ResultList {
  ColumnTable columns = defaultColumns();
  OwnedImageList sortArrows;
  // Set while many rows change state at once (a sort hands the rows their states back, an
  // inversion toggles every row), so that the selection is counted once at the end, not per row.
  bool quietSelection = false;
  Totals selectionTotals;
  // A rename in place: set between the list's begin and end of the label edit; Esc counts a
  // cancel, which keeps the old name.
  bool renaming = false;
  int renameCancels = 0;
};

// Creates the list view with its columns, image lists, view mode and sort arrow.
HWND createResultList(MainWindow& w);
// Makes the list anew (icons switched on or off), with the rows it showed.
void recreateResultList(MainWindow& w);
// The same from the column table as it stands, after columns were shown or hidden there.
void rebuildResultList(MainWindow& w);
// Full row select and grid lines as the options say.
void applyExtendedStyles(HWND list, uint32_t options);
void loadSortArrows(MainWindow& w);
void setColumnTitles(MainWindow& w);
// Takes the widths and order the user gave the columns back into the column table.
void readColumnsFromList(MainWindow& w);
void saveColumnLayout(MainWindow& w);

LRESULT onResultListNotify(MainWindow& w, NMHDR* header);

// Sorting from the menu: a mode, or the other direction.
void sortResults(MainWindow& w, SortMode mode);
void reverseSortDirection(MainWindow& w);
void updateSortArrow(MainWindow& w);

void selectAllRows(HWND list, bool select);
void invertSelection(MainWindow& w);
// Counts the selection, shows it and re-applies the command states.
void updateSelection(MainWindow& w);
void setViewMode(MainWindow& w, uint32_t viewBits);
// The row the commands act on: the focused one, else the first selected one; -1 when none.
int currentItem(HWND list);
// The selected rows of a list view, in list order.
std::vector<int> selectedRows(HWND list);

// The list view's row states, as the store saves and restores them around a sort.
class ListViewStates final : public ListStates {
 public:
  explicit ListViewStates(HWND list) : list_(list) {}
  uint8_t state(uint32_t row) const override;
  void setState(uint32_t row, uint8_t state) override;

 private:
  HWND list_;
};

}  // namespace ostrya
