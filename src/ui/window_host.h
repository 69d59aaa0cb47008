// Win32 only: the search run's view of the window, and starting and stopping runs.
#pragma once

#include "search/search_host.h"

namespace ostrya {

// Answers the run on its own thread, by messages to the window's controls; whatever changes
// the window's own state goes to the main window as a private message.
class WindowHost final : public SearchHost {
 public:
  void readField(PanelField field, char* out, std::size_t capacity) override;
  void addToHistory(PanelField field, const char* text) override;
  void setField(PanelField field, const char* text) override;
  void showSearching(bool searching) override;
  void showFolder(const char* folder) override;
  void showTotals(const char* text) override;
  void setRowCount(uint32_t rows) override;
  void refreshCommands() override;
  void bringForward() override;
  void focusFirstRowIfNone() override;
  void runEnded() override;
};

// True from the Search command until the run's last message to the window.
bool searchRunning();
// The Search command: ignored while a run is going.
void startSearchCommand();
void stopSearchCommand();
// Command 116 at a run's end: the run's thread is done with the window.
void finishSearch();

}  // namespace ostrya
