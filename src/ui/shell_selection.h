// Win32 only: the result list's selection as shell items, for the context menu and dragging.
#pragma once

#include "ui/shell_items.h"

namespace ostrya {

struct MainWindow;

// The selected files (for an archive entry its archive), or the current row when none is
// selected, in the first selected file's folder. Empty when the shell does not know it.
ShellItems shellItemsOfSelection(MainWindow& w);

}  // namespace ostrya
