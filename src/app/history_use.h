// portable: no platform headers.
#pragma once

namespace ostrya {

// The list of a history combo box, as using an entry changes it.
class HistoryEditor {
 public:
  virtual ~HistoryEditor() = default;
  // Position of the entry equal to `text`; -1 when there is none.
  virtual int find(const char* text) const = 0;
  virtual void remove(int position) = 0;
  virtual void insertAtTop(const char* text) = 0;
  virtual void selectTop() = 0;
};

// Puts a used text at the top of its history, once: a copy further down goes, and an entry
// already on top stays where it is. An empty text changes nothing.
void useHistoryEntry(HistoryEditor& history, const char* text);

}  // namespace ostrya
