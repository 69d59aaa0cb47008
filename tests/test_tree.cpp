#include "test_tree.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/path.h"

namespace ostrya::testing {

namespace fs = std::filesystem;

TempTree::TempTree() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  root_ = fs::temp_directory_path() /
          ("ostrya-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(root_);
}

TempTree::~TempTree() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string TempTree::native(const std::string& relative) const {
  std::string path = (relative.empty() ? root_ : root_ / relative).string();
  std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
  return path;
}

void TempTree::file(const std::string& relative, const std::string& contents) {
  const fs::path path = root_ / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

void TempTree::folder(const std::string& relative) {
  fs::create_directories(root_ / relative);
}

void RecordingHost::readField(PanelField field, char* out, std::size_t capacity) {
  const std::string& value = field == PanelField::NamePatterns ? patterns
                             : field == PanelField::LookIn     ? lookIn
                                                               : text;
  const std::size_t length = std::min(value.size(), capacity - 1);
  std::memcpy(out, value.data(), length);
  out[length] = '\0';
}

std::vector<std::string> rowPaths(ResultStore& store) {
  std::vector<std::string> paths;
  const uint32_t rows = store.rowCount();
  for (uint32_t row = 0; row < rows; ++row) paths.push_back(store.fullPathOfRow(row));
  return paths;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

}  // namespace ostrya::testing
