// Win32 only: writing the result list to a file the user names.
#include "ui/export_command.h"

#include <commdlg.h>

#include "foundation/file_access.h"
#include "ui/main_window_state.h"
#include "ui/result_list.h"

namespace ostrya {
namespace {

struct SaveDialogFormat {
  const char* filter;  // pairs of description and pattern, the list ended by an extra NUL
  const char* extension;
};

SaveDialogFormat saveDialogFormat(ExportFormat format) {
  switch (format) {
    case ExportFormat::Text:
      return {"Text List\0*.txt\0All Files\0*.*\0", "txt"};
    case ExportFormat::Csv:
      return {"Export List\0*.csv\0All Files\0*.*\0", "csv"};
    case ExportFormat::Html:
      break;
  }
  return {"HTML\0*.htm\0All Files\0*.*\0", "htm"};
}

char* rememberedName(ExportNames& names, ExportFormat format) {
  switch (format) {
    case ExportFormat::Text:
      return names.text;
    case ExportFormat::Csv:
      return names.csv;
    case ExportFormat::Html:
      break;
  }
  return names.html;
}

bool askFileName(HWND owner, ExportFormat format, char* name) {
  const SaveDialogFormat kind = saveDialogFormat(format);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kind.filter;
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH - 1;
  dialog.lpstrDefExt = kind.extension;
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  return GetSaveFileNameA(&dialog) != 0;
}

}  // namespace

void exportList(MainWindow& w, ExportFormat format) {
  ResultStore& store = w.search.context.store;
  HWND list = w.panel.controls[kPanelResultList];
  // The list shows the order the file gets: sorted again now, with the list's selection kept. A
  // search still going adds rows meanwhile, so its rows are sorted when the file is written.
  const bool sorted = w.search.context.searching.load() == 0;
  if (sorted) {
    ListViewStates states(list);
    store.sort(store.sortMode(), store.sortDirection(), false, &states, *w.languages.current);
    InvalidateRect(list, nullptr, FALSE);
  }
  if (store.rowCount() == 0) return;
  char* name = rememberedName(w.exportNames, format);
  if (!askFileName(w.window, format, name)) return;

  OutputFile file;
  if (file.create(w.window, name) != 0) return;
  HCURSOR cursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const auto write = sorted ? exportSortedResults : exportResults;
  const bool written = write(store, format, file, w.window, *w.languages.current,
                             w.search.context.thousandsSeparator);
  file.close();
  // What a failed write left would look like a whole list.
  if (!written) DeleteFileA(name);
  SetCursor(cursor);
}

}  // namespace ostrya
