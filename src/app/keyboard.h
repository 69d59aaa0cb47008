// portable: no platform headers.
#pragma once

#include <cstddef>

namespace ostrya {

// Tab and Shift+Tab along the focus ring. `current` is the ring position of the control that has
// the focus (or whose child has it), -1 when the focus is elsewhere; `present` tells which
// positions hold a control and `visible` which of those are shown. Returns the position to
// focus, or -1 when there is none.
int nextFocusPosition(const bool* present, const bool* visible, std::size_t count, int current,
                      bool backwards);

// What Enter does.
enum class EnterAction { FocusList, RunSelection, StartSearch };
struct EnterContext {
  bool renaming;
  bool listHasRows;
  bool listHasFocus;
};
EnterAction enterAction(const EnterContext& context);

// What Esc does: the first thing there is to cancel, else it ends the program.
enum class EscapeAction { CloseDropDown, StopSearch, CancelEdit, Exit };
struct EscapeContext {
  bool dropDownOpen;
  bool searching;
  bool editing;
};
EscapeAction escapeAction(const EscapeContext& context);

}  // namespace ostrya
