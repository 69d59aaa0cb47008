// Fills a result store with synthetic rows and sorts it once by one mode: prints the sort's wall
// time and the memory the sort took beyond the filled store. Also writes the rows' names, one per
// line, for the comparison with sort(1).
//   ostrya-sort-bench ROWS MODE [NAMES_FILE]     MODE: name extension time size attributes path
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "results/records.h"
#include "results/result_store.h"

namespace {

// Kilobytes of the process's resident memory: now, or at its highest so far.
long statusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return 0;
}

bool modeNamed(const char* name, ostrya::SortMode& mode) {
  const char* names[] = {"name", "extension", "time", "size", "attributes", "type", "path"};
  for (int i = 0; i < 7; ++i)
    if (std::strcmp(name, names[i]) == 0) {
      mode = static_cast<ostrya::SortMode>(i);
      return true;
    }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ostrya;
  SortMode mode;
  if (argc < 3 || !modeNamed(argv[2], mode)) {
    std::fprintf(stderr, "usage: ostrya-sort-bench ROWS MODE [NAMES_FILE]\n");
    return 2;
  }
  const unsigned long rows = std::strtoul(argv[1], nullptr, 10);
  std::ofstream names;
  if (argc > 3) names.open(argv[3]);

  // Names as people keep them: words, numbers and extensions that repeat, in 40 folders.
  const char* words[] = {"Report", "invoice", "IMG", "notes", "Backup", "draft", "data", "scan"};
  const char* extensions[] = {".txt", ".jpg", ".pdf", ".DOC", ".c", ".h", "", ".tar.gz"};
  constexpr unsigned kFolders = 40;
  uint32_t seed = 1;
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % bound;
  };
  ResultStore store;
  for (unsigned folder = 0; folder < kFolders; ++folder) {
    const std::string path = "/data/archive/" + std::to_string(2000 + folder) + "/projects";
    const uint32_t number = store.appendFolder(path.c_str(), 0);
    const std::size_t mark = store.recordMark();
    for (unsigned long i = folder; i < rows; i += kFolders) {
      const std::string name =
          std::string(words[next(8)]) + "_" + std::to_string(next(100000)) + extensions[next(8)];
      uint8_t builder[kRecordBuilderSize];
      ResultFields fields{};
      fields.extensionPosition = extensionPositionOfName(name.c_str());
      fields.folderNumber = number;
      fields.size = next(16) == 0 ? 0 : next(1u << 30);
      fields.attributes = static_cast<uint16_t>(next(4) == 0 ? kRecReadOnly : kRecArchive);
      fields.date =
          static_cast<uint16_t>((20 + next(25)) << 9 | (1 + next(12)) << 5 | (1 + next(28)));
      fields.time = static_cast<uint16_t>(next(24) << 11 | next(60) << 5 | next(30));
      if (buildResultRecord(builder, fields, name.c_str()) == 0 || !store.appendRecord(builder))
        return 1;
      if (names.is_open()) names << name << '\n';
    }
    store.publishRows(mark);
  }
  // The peak so far is the store's growth; count from here.
  std::ofstream("/proc/self/clear_refs") << "5";
  const long filled = statusKilobytes("VmRSS:");
  const auto start = std::chrono::steady_clock::now();
  if (!store.sort(mode, SortDirection::Ascending, false, nullptr, englishTexts())) return 1;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const long extra = statusKilobytes("VmHWM:") - filled;
  std::printf("%s %lu rows: %.3f s, %.1f MB beyond the store (%.1f bytes per row)\n", argv[2], rows,
              took.count(), extra / 1024.0, rows ? extra * 1024.0 / rows : 0.0);
  return 0;
}
