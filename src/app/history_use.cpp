// portable: no platform headers.
#include "app/history_use.h"

namespace ostrya {

void useHistoryEntry(HistoryEditor& history, const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  const int position = history.find(text);
  if (position > 0) history.remove(position);
  if (position != 0) history.insertAtTop(text);
  history.selectTop();
}

}  // namespace ostrya
