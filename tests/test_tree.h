#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "search/search_host.h"
#include "search/search_request.h"

namespace ostrya::testing {

// A folder tree made for one test under the system's temporary folder, removed at the end.
class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // The path as the program writes it: the system's separator throughout.
  std::string native(const std::string& relative = "") const;
  void file(const std::string& relative, const std::string& contents = "");
  void folder(const std::string& relative);

 private:
  std::filesystem::path root_;
};

// A host that keeps what a run tells it; the panel fields are set by the test.
class RecordingHost : public SearchHost {
 public:
  std::string patterns, lookIn, text;
  std::vector<std::string> histories[3];
  std::vector<std::string> folders;
  std::vector<std::string> totals;
  std::vector<uint32_t> rowCounts;
  std::string fieldWrittenBack;
  int ended = 0;

  void readField(PanelField field, char* out, std::size_t capacity) override;
  void addToHistory(PanelField field, const char* text) override {
    histories[static_cast<int>(field)].push_back(text);
  }
  void setField(PanelField, const char* text) override { fieldWrittenBack = text; }
  void showSearching(bool) override {}
  void showFolder(const char* folder) override { folders.push_back(folder); }
  void showTotals(const char* text) override { totals.push_back(text); }
  void setRowCount(uint32_t rows) override { rowCounts.push_back(rows); }
  void refreshCommands() override {}
  void bringForward() override {}
  void focusFirstRowIfNone() override {}
  void runEnded() override { ++ended; }
};

// The full paths of the store's rows, in row order.
std::vector<std::string> rowPaths(ResultStore& store);

// The whole contents of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

}  // namespace ostrya::testing
