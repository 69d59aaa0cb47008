// Win32 only: dragging the selected files out of the result list onto any drop target.
#include "ui/drag_out.h"

#include <ole2.h>

#include "ui/drop_source.h"
#include "ui/main_window_state.h"
#include "ui/shell_selection.h"

namespace ostrya {

void startDrag(MainWindow& w) {
  const ShellItems shell = shellItemsOfSelection(w);
  if (shell.empty()) return;
  void* object = nullptr;
  if (FAILED(shell.uiObject(w.window, IID_IDataObject, &object))) return;
  const ComPtr<IDataObject> data(static_cast<IDataObject*>(object));
  const ComPtr<IDropSource> source(new DropSource);
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
             &effect);
}

}  // namespace ostrya
