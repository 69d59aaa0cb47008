// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// The three fields of the search panel a run reads.
enum class PanelField { NamePatterns, LookIn, ContainingText };

// Capacities of the panel fields, terminator included.
inline constexpr std::size_t kNamePatternsCapacity = 1025;
inline constexpr std::size_t kLookInCapacity = 1024;
inline constexpr std::size_t kContainingTextCapacity = 1024;

// What a search run needs of the window that started it. The run calls these on its own
// thread; a window answers by sending messages to its controls, a console by printing.
class SearchHost {
 public:
  virtual ~SearchHost() = default;
  // Copies a panel field into `out` (cut to capacity - 1).
  virtual void readField(PanelField field, char* out, std::size_t capacity) = 0;
  virtual void addToHistory(PanelField field, const char* text) = 0;
  virtual void setField(PanelField field, const char* text) = 0;
  // The searching icon in the status bar.
  virtual void showSearching(bool searching) = 0;
  // The folder being listed; an empty text clears it.
  virtual void showFolder(const char* folder) = 0;
  virtual void showTotals(const char* text) = 0;
  // The number of rows the list holds now.
  virtual void setRowCount(uint32_t rows) = 0;
  // Enable or grey the commands that depend on whether a search runs.
  virtual void refreshCommands() = 0;
  // Restore and raise the main window.
  virtual void bringForward() = 0;
  // Focus and select the first row unless a row is focused or selected.
  virtual void focusFirstRowIfNone() = 0;
  // The run is over: the window gives the keyboard focus to the list.
  virtual void runEnded() = 0;
};

}  // namespace ostrya
