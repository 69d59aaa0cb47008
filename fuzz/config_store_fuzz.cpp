// The configuration file may hold anything: a damaged file, or one edited by hand. Input: the
// file's text. The store reads it, answers look-ups, takes edits of every kind and writes it
// back through its temporary file; the written file must hold exactly the text in memory, and
// a second store over it must answer every edit that was made.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/config_store.h"
#include "foundation/config_values.h"
#include "fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;

// Each iteration writes the file and syncs it at write-back: a memory file system keeps that
// from ruling the run time.
const std::string& scratchPath() {
  static const std::string path = [] {
    std::error_code error;
    const fs::path folder =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    return (folder / ("ostrya-config-fuzz-" + ostrya::fuzzing::scratchSuffix() + ".ini")).string();
  }();
  return path;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class VectorHistory final : public ostrya::HistoryList {
 public:
  std::size_t count() const override { return items.size(); }
  void itemText(std::size_t index, char* out, std::size_t capacity) const override {
    const std::string item = index < items.size() ? items[index].substr(0, capacity - 1) : "";
    std::copy(item.begin(), item.end(), out);
    out[item.size()] = '\0';
  }
  void append(const char* text) override { items.push_back(text); }
  std::vector<std::string> items;
};

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrya;
  const std::string& path = scratchPath();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);

  VectorHistory history;
  std::string written;
  {
    ConfigStore store(path.c_str());
    for (const char* section : {"Ostrya", "Find", "S", ""}) {
      for (const char* key : {"Opt", "1", "Pos", "K", ""}) {
        char small[5];
        char value[64];
        store.getText(section, key, "default", small, sizeof small);
        store.getText(section, key, "", value, sizeof value);
        store.getNumber(section, key, 7);
      }
    }
    loadWindowPlacement(store, "Ostrya");
    FontDescription font = {};
    getFont(store, "S", "Font", font);
    getColours(store, "S", "K", 0xC0C0C0);
    uint32_t custom[kCustomColourCount];
    getCustomColours(store, "S", custom);
    loadHistoryList(store, history, "Find", kHistoryCount);

    store.putText("Ostrya", "Opt", "1");
    store.putText("Find", "1", "a value longer than most that the seeds hold, to grow it");
    store.putText("Find", "1", "x");
    store.putText("Ostrya", "Fz", "new key");
    store.putNumber("Ostrya", "Num", 0xFFFFFFFF);
    store.putText("Fresh", "k", "v");
    store.removeSection("Path");
    saveHistoryList(store, history, "Text", kHistoryCount);
    saveWindowPlacement(store, "Ostrya", {-8, -8, 1936, 1056, true});
    written = store.contents();
  }
  check(fileText(path) == written);
  check(!fs::exists(path + ".new"));
  {
    ConfigStore store(path.c_str());
    check(store.getText("Ostrya", "Opt") == "1");
    check(store.getText("Find", "1") == "x");
    check(store.getText("Ostrya", "Fz") == "new key");
    check(store.getNumber("Ostrya", "Num", 0) == 0xFFFFFFFF);
    check(store.getText("Fresh", "k") == "v");
    const WindowPlacement placement = loadWindowPlacement(store, "Ostrya");
    check(placement.width == 1936 && placement.maximised);
    VectorHistory saved;
    loadHistoryList(store, saved, "Text", kHistoryCount);
    // A second "Text" section further down may add keys of its own after ours.
    check(saved.items.size() >= history.items.size() &&
          std::equal(history.items.begin(), history.items.end(), saved.items.begin()));
  }
  std::error_code ignored;
  fs::remove(path, ignored);
  return 0;
}
