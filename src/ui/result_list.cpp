// Win32 only: the virtual result list, its columns, sorting from the header and the selection.
#include "ui/result_list.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/option_bits.h"
#include "app/result_cells.h"
#include "foundation/config_values.h"
#include "foundation/language_table.h"
#include "search/folder_walk.h"
#include "ui/commands.h"
#include "ui/drag_out.h"
#include "ui/file_commands.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/resources.h"
#include "ui/search_panel.h"
#include "ui/status_bar.h"

namespace ostrya {
namespace {

constexpr std::size_t kColumnTitleCapacity = 63;
constexpr int kSortArrowSize = 11;
constexpr char kSection[] = "Ostrya";

HWND resultList(const MainWindow& w) {
  return w.panel.controls[kPanelResultList];
}

// The root of the drive that holds Windows ("C:\"), whose icons stand for the system lists.
std::string windowsRoot(const MainWindow& w) {
  const std::string windows = w.windowsDirectory;
  return windows.size() >= 3 ? windows.substr(0, 3) : std::string("C:\\");
}

void attachSystemImageLists(const MainWindow& w, HWND list) {
  const std::string root = windowsRoot(w);
  SHFILEINFOA info = {};
  const auto small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  const auto large = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
}

// The visible columns go in as sub-items in table order; the order array then places them.
void insertColumns(const MainWindow& w, HWND list) {
  RECT parent;
  GetClientRect(w.window, &parent);
  int next = 0;
  for (const ColumnRow& column : w.list.columns) {
    if (column.order < 0) continue;
    LVCOLUMNA item = {};
    item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    item.fmt = column.rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    item.cx = column.width >= 0 ? column.width
                                : remainingColumnWidth(w.list.columns, parent.right - parent.left,
                                                       GetSystemMetrics(SM_CXVSCROLL));
    char empty[1] = "";
    item.pszText = empty;
    SendMessageA(list, LVM_INSERTCOLUMNA, next++, reinterpret_cast<LPARAM>(&item));
  }
  const std::vector<int> order = columnOrderArray(w.list.columns);
  SendMessageA(list, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
}

void applyViewStyle(HWND list, uint32_t options) {
  static constexpr struct {
    uint32_t bits;
    DWORD style;
  } kModes[] = {{kOptViewLargeIcons, LVS_ICON},
                {kOptViewSmallIcons, LVS_SMALLICON},
                {kOptViewList, LVS_LIST},
                {kOptViewDetails, LVS_REPORT}};
  DWORD wanted = LVS_REPORT;
  for (const auto& mode : kModes)
    if ((options & kOptViewMode) == mode.bits) wanted = mode.style;
  const DWORD style = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE));
  if ((style & LVS_TYPEMASK) == wanted) return;
  SetWindowLongA(list, GWL_STYLE, static_cast<LONG>((style & ~LVS_TYPEMASK) | wanted));
  SendMessageA(list, LVM_ARRANGE, LVA_ALIGNLEFT, 0);
}

// The shell's icon for a row, asked once and kept in the record. Archive entries and rows whose
// folder is gone are named by their extension alone; a file the shell cannot find falls back the
// same way, a folder to the Windows directory's icon.
int iconIndexLocked(const MainWindow& w, ResultStore& store, const ResultRecord& record) {
  if (record.iconIndex() != -1) return record.iconIndex();
  const FolderRecord folder = store.folderRecordLocked(record.folderNumber());
  SHFILEINFOA info = {};
  bool found = false;
  if ((record.attributes() & kRecInArchive) == 0 && folder.bytes() != nullptr) {
    char path[2 * MAX_PATH];
    found = joinPath(folder.path(), record.name(), path, sizeof path) &&
            SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX) != 0;
    if (!found && record.isFolder())
      found = SHGetFileInfoA(w.windowsDirectory, 0, &info, sizeof info, SHGFI_SYSICONINDEX) != 0;
  }
  if (!found)
    SHGetFileInfoA(record.name(),
                   record.isFolder() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info,
                   sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
  record.setIconIndex(info.iIcon);
  return info.iIcon;
}

void fillCell(MainWindow& w, NMLVDISPINFOA& display) {
  LVITEMA& item = display.item;
  ResultStore& store = w.search.context.store;
  std::lock_guard<std::mutex> hold(store.lock());
  if (item.iItem < 0) return;
  const ResultRecord record = store.recordOfRowLocked(static_cast<uint32_t>(item.iItem));
  if (record.bytes() == nullptr) return;
  const int row = columnOfSubItem(w.list.columns, item.iSubItem);
  if (row < 0) return;
  const Column column = static_cast<Column>(row);
  if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
    const std::string text = resultCellTextLocked(store, record, column, *w.languages.current,
                                                  w.search.context.thousandsSeparator);
    lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (column == Column::Name) {
    if ((item.mask & LVIF_IMAGE) != 0) item.iImage = iconIndexLocked(w, store, record);
    if ((item.mask & LVIF_INDENT) != 0) item.iIndent = 0;
  }
}

// Whether the header click lies in the right half of the Name column, wherever the user has
// dragged that column to.
bool clickInRightHalfOfName(const MainWindow& w) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(resultList(w), LVM_GETHEADER, 0, 0));
  RECT item;
  if (header == nullptr || !SendMessageA(header, HDM_GETITEMRECT, w.list.columns[0].displayIndex,
                                         reinterpret_cast<LPARAM>(&item)))
    return false;
  const DWORD position = GetMessagePos();
  POINT click = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ScreenToClient(header, &click);
  return click.x - item.left > (item.right - item.left) / 2;
}

void onColumnClick(MainWindow& w, const NMLISTVIEW& click) {
  const int row = columnOfSubItem(w.list.columns, click.iSubItem);
  if (row < 0) return;
  saveColumnLayout(w);
  const bool rightHalf = row == static_cast<int>(Column::Name) && clickInRightHalfOfName(w);
  ListViewStates states(resultList(w));
  w.list.quietSelection = true;
  const bool sorted = w.search.context.store.headerClick(static_cast<Column>(row), rightHalf,
                                                         w.search.context.searching.load() != 0,
                                                         &states, *w.languages.current);
  w.list.quietSelection = false;
  updateSortArrow(w);
  if (sorted) InvalidateRect(resultList(w), nullptr, FALSE);
}

void sortWith(MainWindow& w, SortMode mode, SortDirection direction) {
  ListViewStates states(resultList(w));
  w.list.quietSelection = true;
  const bool sorted = w.search.context.store.sort(
      mode, direction, w.search.context.searching.load() != 0, &states, *w.languages.current);
  w.list.quietSelection = false;
  updateSortArrow(w);
  if (sorted) InvalidateRect(resultList(w), nullptr, FALSE);
}

}  // namespace

void applyExtendedStyles(HWND list, uint32_t options) {
  DWORD styles = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  styles &= ~(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  if ((options & kOptFullRowSelect) != 0) styles |= LVS_EX_FULLROWSELECT;
  if ((options & kOptGridLines) != 0) styles |= LVS_EX_GRIDLINES;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
}

uint8_t ListViewStates::state(uint32_t row) const {
  // The list's focused and selected bits are the store's state bits.
  return static_cast<uint8_t>(
      SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_FOCUSED | LVIS_SELECTED) &
      (kStateFocused | kStateSelected));
}

void ListViewStates::setState(uint32_t row, uint8_t state) {
  LVITEMA item = {};
  item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
  item.state = state & (kStateFocused | kStateSelected);
  SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

HWND createResultList(MainWindow& w) {
  HWND list = CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
          LVS_AUTOARRANGE | LVS_EDITLABELS | LVS_OWNERDATA,
      0, 0, 0, 0, w.window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(panelControlId(kPanelResultList))), w.instance,
      nullptr);
  if (list == nullptr) return nullptr;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_HEADERDRAGDROP);
  if ((w.options & kOptNoIcons) == 0) attachSystemImageLists(w, list);
  w.panel.controls[kPanelResultList] = list;
  insertColumns(w, list);
  applyViewStyle(list, w.options);
  updateSortArrow(w);
  applyExtendedStyles(list, w.options);
  return list;
}

void recreateResultList(MainWindow& w) {
  readColumnsFromList(w);
  rebuildResultList(w);
}

void rebuildResultList(MainWindow& w) {
  HWND old = w.panel.controls[kPanelResultList];
  const WPARAM font = SendMessageA(old, WM_GETFONT, 0, 0);
  DestroyWindow(old);
  w.panel.controls[kPanelResultList] = nullptr;
  w.panel.procs[kPanelResultList] = nullptr;
  HWND list = createResultList(w);
  if (list == nullptr) return;
  SendMessageA(list, WM_SETFONT, font, 0);
  rememberFocusOf(w.panel, kPanelResultList);
  buildFocusRing(w.panel);
  setColumnTitles(w);
  layoutMainWindow(w);
  SendMessageA(list, LVM_SETITEMCOUNT, w.search.context.store.rowCount(), LVSICF_NOINVALIDATEALL);
}

// An image list with a mask, so that the header shows through around the arrows: images 0
// (ascending) and 1 (descending).
void loadSortArrows(MainWindow& w) {
  w.list.sortArrows.reset(
      ImageList_Create(kSortArrowSize, kSortArrowSize, ILC_COLOR24 | ILC_MASK, 2, 0));
  for (int id : {kSortAscendingBitmap, kSortDescendingBitmap}) {
    const OwnedBitmap arrow(static_cast<HBITMAP>(LoadImageA(
        w.instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, kSortArrowSize, kSortArrowSize, 0)));
    if (arrow) ImageList_AddMasked(w.list.sortArrows.get(), arrow.get(), kImageKeyColour);
  }
}

void setColumnTitles(MainWindow& w) {
  int next = 0;
  for (const ColumnRow& column : w.list.columns) {
    if (column.order < 0) continue;
    char title[kColumnTitleCapacity + 1];
    getText(w.languages.current, column.titleId, title, kColumnTitleCapacity);
    LVCOLUMNA item = {};
    item.mask = LVCF_TEXT;
    item.pszText = title;
    SendMessageA(resultList(w), LVM_SETCOLUMNA, next++, reinterpret_cast<LPARAM>(&item));
  }
}

void readColumnsFromList(MainWindow& w) {
  HWND list = resultList(w);
  const std::size_t visible = visibleColumnCount(w.list.columns);
  if (list == nullptr || visible == 0) return;
  int widths[kColumnCount] = {};
  int order[kColumnCount] = {};
  for (std::size_t p = 0; p < visible; ++p) {
    LVCOLUMNA item = {};
    item.mask = LVCF_WIDTH | LVCF_ORDER;
    if (!SendMessageA(list, LVM_GETCOLUMNA, p, reinterpret_cast<LPARAM>(&item))) return;
    widths[p] = item.cx;
    order[p] = item.iOrder;
  }
  if (!SendMessageA(list, LVM_GETCOLUMNORDERARRAY, visible, reinterpret_cast<LPARAM>(order)))
    return;
  takeListColumns(w.list.columns, widths, order, visible);
}

void saveColumnLayout(MainWindow& w) {
  readColumnsFromList(w);
  saveColumns(w.config, w.list.columns);
}

LRESULT onResultListNotify(MainWindow& w, NMHDR* header) {
  switch (header->code) {
    case LVN_GETDISPINFOA:
      fillCell(w, *reinterpret_cast<NMLVDISPINFOA*>(header));
      return 0;
    case LVN_ODFINDITEMA:
      return 0;
    case LVN_COLUMNCLICK:
      onColumnClick(w, *reinterpret_cast<NMLISTVIEW*>(header));
      return 0;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
    case LVN_ITEMACTIVATE:
      if (!w.list.quietSelection) updateSelection(w);
      return 0;
    case LVN_BEGINLABELEDITA:
      return onBeginLabelEdit(w, *reinterpret_cast<NMLVDISPINFOA*>(header));
    case LVN_ENDLABELEDITA:
      return onEndLabelEdit(w, *reinterpret_cast<NMLVDISPINFOA*>(header));
    case NM_DBLCLK:
      PostMessageA(w.window, WM_COMMAND, kCmdEnter, 0);
      return 0;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
      if (w.search.context.store.rowCount() != 0) startDrag(w);
      return 0;
    default:
      return 0;
  }
}

void sortResults(MainWindow& w, SortMode mode) {
  sortWith(w, mode, w.search.context.store.sortDirection());
}

void reverseSortDirection(MainWindow& w) {
  const ResultStore& store = w.search.context.store;
  sortWith(w, store.sortMode(),
           store.sortDirection() == SortDirection::Ascending ? SortDirection::Descending
                                                             : SortDirection::Ascending);
}

void updateSortArrow(MainWindow& w) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(resultList(w), LVM_GETHEADER, 0, 0));
  if (header == nullptr) return;
  const SortArrow arrow = sortArrowFor(w.search.context.store.sortMode());
  const int arrowItem = arrow.row >= 0 ? w.list.columns[arrow.row].displayIndex : -1;
  const bool descending = w.search.context.store.sortDirection() == SortDirection::Descending;
  SendMessageA(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(w.list.sortArrows.get()));
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    item.mask = HDI_FORMAT | HDI_IMAGE;
    item.fmt &= ~(HDF_BITMAP | HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
    if (index == arrowItem) {
      item.fmt |= HDF_IMAGE | (arrow.onRight ? HDF_BITMAP_ON_RIGHT : 0);
      item.iImage = descending ? 1 : 0;
    }
    SendMessageA(header, HDM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
  }
}

void selectAllRows(HWND list, bool select) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = select ? LVIS_SELECTED : 0;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void invertSelection(MainWindow& w) {
  HWND list = resultList(w);
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  w.list.quietSelection = true;
  for (int row = 0; row < count; ++row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0
                     ? 0
                     : LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  w.list.quietSelection = false;
  updateSelection(w);
  SetCursor(old);
}

void updateSelection(MainWindow& w) {
  ListViewStates states(resultList(w));
  const Totals selected = w.search.context.store.selectionTotals(&states);
  w.list.selectionTotals = selected;
  const bool any = selected.files != 0 || selected.folders != 0;
  const std::string text =
      any ? totalsText(selected, TotalsKind::Selected, false, *w.languages.current,
                       w.search.context.thousandsSeparator)
          : std::string();
  w.statusBar.setSelectionText(text.c_str());
  refreshCommandStates(w);
}

int currentItem(HWND list) {
  const WPARAM none = static_cast<WPARAM>(-1);
  const LRESULT focused = SendMessageA(list, LVM_GETNEXTITEM, none, LVNI_FOCUSED);
  if (focused != -1) return static_cast<int>(focused);
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, none, LVNI_SELECTED));
}

std::vector<int> selectedRows(HWND list) {
  std::vector<int> rows;
  for (LRESULT row = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
       row >= 0; row = SendMessageA(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))
    rows.push_back(static_cast<int>(row));
  return rows;
}

void setViewMode(MainWindow& w, uint32_t viewBits) {
  w.options = (w.options & ~kOptViewMode) | viewBits;
  applyViewStyle(resultList(w), w.options);
  putOptions(w.config, kSection, w.options);
}

}  // namespace ostrya
