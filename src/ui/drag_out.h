// Win32 only: dragging the selected files out of the result list onto any drop target.
#pragma once

namespace ostrya {

struct MainWindow;

// Returns when the drag has ended; the list stays as it was, whatever the target did.
void startDrag(MainWindow& w);

}  // namespace ostrya
