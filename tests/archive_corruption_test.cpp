#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/format_table.h"
#include "archive_fixture_listing.h"
#include "archive_test_host.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;

// Damaged copies of a fixture: cut at a few places, and bytes changed at places spread over
// the file (headers lie at the start, directories often at the end). Seeded, so that every
// run tries the same copies.
std::vector<std::string> damagedCopies(const std::string& original) {
  std::vector<std::string> copies;
  const std::size_t size = original.size();
  for (std::size_t cut : {size / 2, size * 7 / 8, size > 40 ? size - 20 : 0, std::size_t{64}})
    if (cut < size) copies.push_back(original.substr(0, cut));
  uint32_t state = 0x9E3779B9u ^ static_cast<uint32_t>(size);
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int copy = 0; copy < 24 && size > 0; ++copy) {
    std::string changed = original;
    // Half the changes near the start or the end, where the headers and directories are.
    for (int byte = 0; byte < 1 + copy % 3; ++byte) {
      const std::size_t span = std::min<std::size_t>(size, 4096);
      const std::size_t at = copy % 4 == 0   ? next() % span
                             : copy % 4 == 1 ? size - 1 - next() % span
                                             : next() % size;
      changed[at] = static_cast<char>(next() & 0xFF);
    }
    copies.push_back(changed);
  }
  return copies;
}

bool isFixture(const fs::path& path) {
  const std::string extension = path.extension().string();
  return extension != ".list" && extension != ".crc" && extension != ".md";
}

// Every operation of the layer on every damaged copy of every fixture ends: nothing crashes or
// hangs (the test's time-out), leaks, or writes outside the folder it was given.
TEST(ArchiveCorruption, DamagedFixturesEndCleanlyAndWriteOnlyWhereTheyMay) {
  testing::TempTree tree;
  int tried = 0;
  for (const auto& item :
       fs::recursive_directory_iterator(testing::archiveFixture("").parent_path())) {
    if (!item.is_regular_file() || !isFixture(item.path())) continue;
    const std::string original = testing::readFile(item.path());
    // The cabinet reader finds a set's next cabinet beside the first: each copy is alone.
    for (const std::string& copy : damagedCopies(original)) {
      const std::string name = "copy" + std::to_string(tried++) + item.path().extension().string();
      tree.file(name, copy);
      const std::string path = tree.native(name);
      const std::string out = tree.native("out");
      testing::ArchiveTestHost host;
      ListingRequest request;
      ArchiveRecord* record = ArchiveList(
          path.c_str(), request,
          [](const char*, uint16_t, uint16_t, uint32_t, char, uint32_t, uint32_t, uint32_t,
             ListingContext*) {},
          host.services, nullptr);
      ArchiveRecordFree(record, host.services);
      const TypeCode type = ArchiveDetectType(path.c_str(), host.services);
      if (const FormatHandler* row = findFormat(type); row && row->extract) {
        ExtractionRequest below;
        below.archivePath = path.c_str();
        below.outputFolder = out.c_str();
        below.mode = kModeKeepFolders;
        row->extract(below, host.services);
      }
      const std::string target = out + platform::kPathSeparator + "entry.tmp";
      char password[129] = "";
      ArchiveExtract(nullptr, path.c_str(), target.c_str(), true, type, nullptr, password, false,
                     nullptr, host.services);
      host.expectNoLeaks(item.path().string());
      for (const std::string& call : host.calls) {
        if (call.rfind("CreateOutputFile ", 0) == 0 || call.rfind("CreateFolderTree ", 0) == 0) {
          EXPECT_EQ(call.find(out), call.find(' ') + 1) << item.path() << ": " << call;
        }
      }
      fs::remove_all(tree.root() / "out");
      fs::remove(tree.root() / name);
    }
  }
  EXPECT_GT(tried, 1000);
}

}  // namespace
}  // namespace ostrya::archive
