// portable: no platform headers.
#include "app/keyboard.h"

namespace ostrya {

int nextFocusPosition(const bool* present, const bool* visible, std::size_t count, int current,
                      bool backwards) {
  const int n = static_cast<int>(count);
  if (n == 0) return -1;
  if (current < 0 || current >= n) return 0;
  // Going back from the first entry wraps to the last entry that holds a control: the ring is
  // fixed in size but may have empty places at its end.
  int last = n - 1;
  while (last > 0 && !present[last]) --last;
  int at = current;
  for (int step = 0; step < n; ++step) {
    if (backwards)
      at = at <= 0 ? last : at - 1;
    else
      at = at + 1 >= n ? 0 : at + 1;
    if (at == current) break;
    if (present[at] && visible[at]) return at;
  }
  return current;
}

EnterAction enterAction(const EnterContext& context) {
  if (context.renaming) return EnterAction::FocusList;
  if (context.listHasRows && context.listHasFocus) return EnterAction::RunSelection;
  return EnterAction::StartSearch;
}

EscapeAction escapeAction(const EscapeContext& context) {
  if (context.dropDownOpen) return EscapeAction::CloseDropDown;
  if (context.searching) return EscapeAction::StopSearch;
  if (context.editing) return EscapeAction::CancelEdit;
  return EscapeAction::Exit;
}

}  // namespace ostrya
