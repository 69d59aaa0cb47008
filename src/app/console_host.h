// portable: no platform headers.
#pragma once

#include <cstdio>
#include <string>

#include "app/find_options.h"
#include "search/search_host.h"
#include "search/skipped_items.h"

namespace ostrya {

// The search host of ostrya-find: the panel fields come from the command line, and the window's
// status texts are kept so the final totals can be printed.
class ConsoleHost final : public SearchHost {
 public:
  explicit ConsoleHost(const FindOptions& options) : options_(options) {}

  void readField(PanelField field, char* out, std::size_t capacity) override;
  void addToHistory(PanelField, const char*) override {}
  void setField(PanelField, const char*) override {}
  void showSearching(bool) override {}
  void showFolder(const char*) override {}
  void showTotals(const char* text) override { totals_ = text; }
  void setRowCount(uint32_t) override {}
  void refreshCommands() override {}
  void bringForward() override {}
  void focusFirstRowIfNone() override {}
  void runEnded() override {}

  const std::string& totals() const { return totals_; }

 private:
  const FindOptions& options_;
  std::string totals_;
};

// Prints every row of the store in row order: the full path only, or attribute letters, size
// (or <DIR>), date and time, and full path. An archive entry's path is its archive's path, the
// separator and the path inside.
void printRows(ResultStore& store, bool pathsOnly, std::FILE* out);

// What the run could not search: the count of each kind, then the first paths with their kind.
// Prints nothing when nothing was skipped.
void printSkipped(const SkippedItems& skipped, std::FILE* out);

}  // namespace ostrya
