// Win32 only: the virtual result list, its columns, sorting from the header and the selection.
#include "ui/result_list.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "app/app_state_win32.h"
#include "app/command_ids.h"
#include "app/option_bits.h"
#include "app/result_cells.h"
#include "foundation/config_values.h"
#include "foundation/language_table.h"
#include "search/folder_walk.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/pending_commands.h"
#include "ui/resources.h"
#include "ui/search_panel.h"
#include "ui/status_bar.h"

namespace ostrya {
namespace {

constexpr std::size_t kColumnTitleCapacity = 63;
constexpr int kSortArrowSize = 11;
constexpr char kSection[] = "Ostrya";

HWND resultList() {
  return app().panel[kPanelResultList];
}

// The root of the drive that holds Windows ("C:\"), whose icons stand for the system lists.
std::string windowsRoot() {
  const std::string windows = app().windowsDirectory;
  return windows.size() >= 3 ? windows.substr(0, 3) : std::string("C:\\");
}

void attachSystemImageLists(HWND list) {
  const std::string root = windowsRoot();
  SHFILEINFOA info = {};
  const auto small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  const auto large = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
}

void insertColumns(HWND list) {
  AppState& state = app();
  RECT parent;
  GetClientRect(state.mainWindow, &parent);
  int next = 0;
  int slots[kColumnCount];
  for (const ColumnRow& column : state.columns) {
    if (column.order < 0) continue;
    LVCOLUMNA item = {};
    item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_ORDER;
    item.fmt = column.rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    item.cx = column.width >= 0 ? column.width
                                : remainingColumnWidth(state.columns, parent.right - parent.left,
                                                       GetSystemMetrics(SM_CXVSCROLL));
    char empty[1] = "";
    item.pszText = empty;
    item.iOrder = column.order;
    SendMessageA(list, LVM_INSERTCOLUMNA, next, reinterpret_cast<LPARAM>(&item));
    slots[next++] = column.order;
  }
  SendMessageA(list, LVM_SETCOLUMNORDERARRAY, next, reinterpret_cast<LPARAM>(slots));
}

void applyViewStyle(HWND list) {
  static constexpr struct {
    uint32_t bits;
    DWORD style;
  } kModes[] = {{kOptViewLargeIcons, LVS_ICON},
                {kOptViewSmallIcons, LVS_SMALLICON},
                {kOptViewList, LVS_LIST},
                {kOptViewDetails, LVS_REPORT}};
  DWORD wanted = LVS_REPORT;
  for (const auto& mode : kModes)
    if ((app().options & kOptViewMode) == mode.bits) wanted = mode.style;
  const DWORD style = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE));
  if ((style & LVS_TYPEMASK) == wanted) return;
  SetWindowLongA(list, GWL_STYLE, static_cast<LONG>((style & ~LVS_TYPEMASK) | wanted));
  SendMessageA(list, LVM_ARRANGE, LVA_ALIGNLEFT, 0);
}

void applyExtendedStyles(HWND list) {
  const uint32_t options = app().options;
  DWORD styles = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  if ((options & kOptFullRowSelect) != 0) styles |= LVS_EX_FULLROWSELECT;
  if ((options & kOptGridLines) != 0) styles |= LVS_EX_GRIDLINES;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
}

// The shell's icon for a row, asked once and kept in the record. Archive entries and rows whose
// folder is gone are named by their extension alone; a file the shell cannot find falls back the
// same way, a folder to the Windows directory's icon.
int iconIndexLocked(ResultStore& store, const ResultRecord& record) {
  if (record.iconIndex() != -1) return record.iconIndex();
  const FolderRecord folder = store.folderRecordLocked(record.folderNumber());
  SHFILEINFOA info = {};
  bool found = false;
  if ((record.attributes() & kRecInArchive) == 0 && folder.bytes() != nullptr) {
    char path[2 * MAX_PATH];
    found = joinPath(folder.path(), record.name(), path, sizeof path) &&
            SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX) != 0;
    if (!found && record.isFolder())
      found =
          SHGetFileInfoA(app().windowsDirectory, 0, &info, sizeof info, SHGFI_SYSICONINDEX) != 0;
  }
  if (!found)
    SHGetFileInfoA(record.name(),
                   record.isFolder() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info,
                   sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
  record.setIconIndex(info.iIcon);
  return info.iIcon;
}

void fillCell(NMLVDISPINFOA& display) {
  AppState& state = app();
  LVITEMA& item = display.item;
  ResultStore& store = state.context.store;
  std::lock_guard<std::mutex> hold(store.lock());
  if (item.iItem < 0) return;
  const ResultRecord record = store.recordOfRowLocked(static_cast<uint32_t>(item.iItem));
  if (record.bytes() == nullptr) return;
  const int row = columnOfSubItem(state.columns, item.iSubItem);
  if (row < 0) return;
  const Column column = static_cast<Column>(row);
  if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
    const std::string text = resultCellTextLocked(store, record, column, *state.language,
                                                  state.context.thousandsSeparator);
    lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (column == Column::Name) {
    if ((item.mask & LVIF_IMAGE) != 0) item.iImage = iconIndexLocked(store, record);
    if ((item.mask & LVIF_INDENT) != 0) item.iIndent = 0;
  }
}

// Whether the header click lies in the right half of the Name column, wherever the user has
// dragged that column to.
bool clickInRightHalfOfName() {
  HWND header = reinterpret_cast<HWND>(SendMessageA(resultList(), LVM_GETHEADER, 0, 0));
  RECT item;
  if (header == nullptr || !SendMessageA(header, HDM_GETITEMRECT, app().columns[0].displayIndex,
                                         reinterpret_cast<LPARAM>(&item)))
    return false;
  const DWORD position = GetMessagePos();
  POINT click = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ScreenToClient(header, &click);
  return click.x - item.left > (item.right - item.left) / 2;
}

void onColumnClick(const NMLISTVIEW& click) {
  AppState& state = app();
  const int row = columnOfSubItem(state.columns, click.iSubItem);
  if (row < 0) return;
  saveColumnLayout();
  const bool rightHalf = row == static_cast<int>(Column::Name) && clickInRightHalfOfName();
  ListViewStates states(resultList());
  state.quietSelection = true;
  const bool sorted = state.context.store.headerClick(static_cast<Column>(row), rightHalf,
                                                      state.context.searching.load() != 0, &states,
                                                      *state.language);
  state.quietSelection = false;
  updateSortArrow();
  if (sorted) InvalidateRect(resultList(), nullptr, FALSE);
}

void sortWith(SortMode mode, SortDirection direction) {
  AppState& state = app();
  ListViewStates states(resultList());
  state.quietSelection = true;
  const bool sorted = state.context.store.sort(mode, direction, state.context.searching.load() != 0,
                                               &states, *state.language);
  state.quietSelection = false;
  updateSortArrow();
  if (sorted) InvalidateRect(resultList(), nullptr, FALSE);
}

}  // namespace

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

HWND createResultList(HWND mainWindow) {
  AppState& state = app();
  HWND list = CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
          LVS_AUTOARRANGE | LVS_EDITLABELS | LVS_OWNERDATA,
      0, 0, 0, 0, mainWindow,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(panelControlId(kPanelResultList))),
      state.instance, nullptr);
  if (list == nullptr) return nullptr;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_HEADERDRAGDROP);
  if ((state.options & kOptNoIcons) == 0) attachSystemImageLists(list);
  state.panel[kPanelResultList] = list;
  insertColumns(list);
  applyViewStyle(list);
  updateSortArrow();
  applyExtendedStyles(list);
  return list;
}

void recreateResultList() {
  AppState& state = app();
  readColumnsFromList();
  HWND old = state.panel[kPanelResultList];
  const WPARAM font = SendMessageA(old, WM_GETFONT, 0, 0);
  DestroyWindow(old);
  state.panel[kPanelResultList] = nullptr;
  state.panelProcs[kPanelResultList] = nullptr;
  HWND list = createResultList(state.mainWindow);
  if (list == nullptr) return;
  SendMessageA(list, WM_SETFONT, font, 0);
  rememberFocusOf(kPanelResultList);
  buildFocusRing();
  setColumnTitles();
  layoutMainWindow();
  SendMessageA(list, LVM_SETITEMCOUNT, state.context.store.rowCount(), LVSICF_NOINVALIDATEALL);
}

void loadSortArrows() {
  AppState& state = app();
  if (state.sortAscending) DeleteObject(state.sortAscending);
  if (state.sortDescending) DeleteObject(state.sortDescending);
  // Mapped to the system's 3-D colours, so the arrows follow the colour scheme.
  auto load = [&state](int id) {
    return static_cast<HBITMAP>(LoadImageA(state.instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP,
                                           kSortArrowSize, kSortArrowSize, LR_LOADMAP3DCOLORS));
  };
  state.sortAscending = load(kSortAscendingBitmap);
  state.sortDescending = load(kSortDescendingBitmap);
}

void setColumnTitles() {
  AppState& state = app();
  int next = 0;
  for (const ColumnRow& column : state.columns) {
    if (column.order < 0) continue;
    char title[kColumnTitleCapacity + 1];
    getText(state.language, column.titleId, title, kColumnTitleCapacity);
    LVCOLUMNA item = {};
    item.mask = LVCF_TEXT;
    item.pszText = title;
    SendMessageA(resultList(), LVM_SETCOLUMNA, next++, reinterpret_cast<LPARAM>(&item));
  }
}

void readColumnsFromList() {
  AppState& state = app();
  HWND list = resultList();
  const std::size_t visible = visibleColumnCount(state.columns);
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
  takeListColumns(state.columns, widths, order, visible);
}

void saveColumnLayout() {
  readColumnsFromList();
  saveColumns(app().config, app().columns);
}

LRESULT onResultListNotify(NMHDR* header) {
  AppState& state = app();
  switch (header->code) {
    case LVN_GETDISPINFOA:
      fillCell(*reinterpret_cast<NMLVDISPINFOA*>(header));
      return 0;
    case LVN_ODFINDITEMA:
      return 0;
    case LVN_COLUMNCLICK:
      onColumnClick(*reinterpret_cast<NMLISTVIEW*>(header));
      return 0;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
    case LVN_ITEMACTIVATE:
      if (!state.quietSelection) updateSelection();
      return 0;
    case NM_DBLCLK:
      PostMessageA(state.mainWindow, WM_COMMAND, kCmdEnter, 0);
      return 0;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
      if (state.context.store.rowCount() != 0) startDrag();
      return 0;
    default:
      return 0;
  }
}

void sortResults(SortMode mode) {
  sortWith(mode, app().context.store.sortDirection());
}

void reverseSortDirection() {
  const ResultStore& store = app().context.store;
  sortWith(store.sortMode(), store.sortDirection() == SortDirection::Ascending
                                 ? SortDirection::Descending
                                 : SortDirection::Ascending);
}

void updateSortArrow() {
  AppState& state = app();
  HWND header = reinterpret_cast<HWND>(SendMessageA(resultList(), LVM_GETHEADER, 0, 0));
  if (header == nullptr) return;
  const SortArrow arrow = sortArrowFor(state.context.store.sortMode());
  const int arrowItem = arrow.row >= 0 ? state.columns[arrow.row].displayIndex : -1;
  const bool descending = state.context.store.sortDirection() == SortDirection::Descending;
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    item.mask = HDI_FORMAT | HDI_BITMAP;
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    item.hbm = nullptr;
    if (index == arrowItem) {
      item.fmt |= HDF_BITMAP | (arrow.onRight ? HDF_BITMAP_ON_RIGHT : 0);
      item.hbm = descending ? state.sortDescending : state.sortAscending;
    }
    SendMessageA(header, HDM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
  }
}

void selectAllRows(bool select) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = select ? LVIS_SELECTED : 0;
  SendMessageA(resultList(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
}

void invertSelection() {
  AppState& state = app();
  HWND list = resultList();
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  state.quietSelection = true;
  for (int row = 0; row < count; ++row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0
                     ? 0
                     : LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  state.quietSelection = false;
  updateSelection();
  SetCursor(old);
}

void updateSelection() {
  AppState& state = app();
  ListViewStates states(resultList());
  const Totals selected = state.context.store.selectionTotals(&states);
  state.selectionTotals = selected;
  const bool any = selected.files != 0 || selected.folders != 0;
  const std::string text = any ? totalsText(selected, TotalsKind::Selected, false, *state.language,
                                            state.context.thousandsSeparator)
                               : std::string();
  setSelectionText(text.c_str());
  refreshCommandStates();
}

int currentItem() {
  const WPARAM none = static_cast<WPARAM>(-1);
  const LRESULT focused = SendMessageA(resultList(), LVM_GETNEXTITEM, none, LVNI_FOCUSED);
  if (focused != -1) return static_cast<int>(focused);
  return static_cast<int>(SendMessageA(resultList(), LVM_GETNEXTITEM, none, LVNI_SELECTED));
}

void setViewMode(uint32_t viewBits) {
  AppState& state = app();
  state.options = (state.options & ~kOptViewMode) | viewBits;
  applyViewStyle(resultList());
  putOptions(state.config, kSection, state.options);
}

}  // namespace ostrya
