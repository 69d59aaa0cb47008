// Win32 only: the search run's view of the window, and starting and stopping runs.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "archive/host_services.h"
#include "search/archive_search.h"
#include "search/search_filter.h"
#include "search/search_host.h"
#include "search/search_request.h"

namespace ostrya {

struct MainWindow;

// The search: the context a run works on, its thread, its filter and the search inside archives.
struct SearchSession {
  SearchSession() = default;
  SearchSession(const SearchSession&) = delete;
  SearchSession& operator=(const SearchSession&) = delete;
  // A run still going ends by itself once its window is gone: its messages fail at once.
  ~SearchSession() {
    if (thread.joinable()) thread.join();
  }

  SearchContext context;
  std::thread thread;
  // False from the start of a run until its last message to the window has gone.
  std::atomic<bool> runOver{true};
  FilterRecord filter;
  std::unique_ptr<SearchFilter> searchFilter;
  // Filters replaced while a run may still read them; released when no run does.
  std::vector<std::unique_ptr<SearchFilter>> retiredFilters;
  // The search inside archives, over the host services the window offers the archive layer.
  archive::HostServices archiveServices;
  std::unique_ptr<ArchiveEntrySearch> archives;
};

// Answers the run on its own thread, by messages to the window's controls; whatever changes
// the window's own state goes to the main window as a private message.
class WindowHost final : public SearchHost {
 public:
  explicit WindowHost(MainWindow& window) : w_(window) {}
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

 private:
  MainWindow& w_;
};

// True from the Search command until the run's last message to the window.
bool searchRunning(const MainWindow& w);
// The Search command: ignored while a run is going.
void startSearchCommand(MainWindow& w);
void stopSearchCommand(MainWindow& w);
// The focus-list command at a run's end: the run's thread is done with the window.
void finishSearch(MainWindow& w);

}  // namespace ostrya
