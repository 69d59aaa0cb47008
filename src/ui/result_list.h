// Win32 only: the virtual result list, its columns, sorting from the header and the selection.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "results/result_store.h"

namespace ostrya {

// Creates the list view with its columns, image lists, view mode and sort arrow.
HWND createResultList(HWND mainWindow);
// Makes the list anew (icons switched on or off), with the rows it showed.
void recreateResultList();
void loadSortArrows();
void setColumnTitles();
// Takes the widths and order the user gave the columns back into the column table.
void readColumnsFromList();
void saveColumnLayout();

LRESULT onResultListNotify(NMHDR* header);

// Sorting from the menu: a mode, or the other direction.
void sortResults(SortMode mode);
void reverseSortDirection();
void updateSortArrow();

void selectAllRows(bool select);
void invertSelection();
// Counts the selection, shows it and re-applies the command states.
void updateSelection();
void setViewMode(uint32_t viewBits);
// The row the commands act on: the focused one, else the first selected one; -1 when none.
int currentItem();

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
