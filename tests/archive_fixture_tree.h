#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/format_table.h"
#include "archive/unix_time.h"
#include "archive_fixture_listing.h"
#include "archive_test_host.h"
#include "test_tree.h"

namespace ostrya::testing {

// The files of the source tree that the tar, cpio and RPM fixtures were made from, as the
// fixture script writes them.
inline std::map<std::string, std::string> fixtureTreeFiles(bool withLongPath) {
  std::map<std::string, std::string> files = {
      {"readme.txt",
       "This tree is the source of the archive fixtures.\nIt hides a needle in a haystack.\n"},
      {"haystack.txt", fixtureHaystack()},
      {"notes with blank.txt", "notes: the needle is not in this haystack\n"},
      {"Gr\xc3\xbc\xc3\x9f"
       "e \xc3\xb1"
       "and\xc3\xba.txt",
       "Gr\xc3\xbc\xc3\x9f"
       "e aus dem Heuhaufen: needle\n"},
      {"read-only.txt", "read-only haystack\n"},
      {"sub/inner.txt", "inner needle\n"},
      {"sub/deeper/deepest.txt", "deepest haystack\n"},
  };
  if (withLongPath)
    files
        ["long/a-folder-name-that-is-long-enough/another-rather-long-folder-name/"
         "file-at-the-end-of-a-long-path.txt"] = "at the end of a long path: needle\n";
  return files;
}

// What the hostile-names fixtures store under each name.
inline std::string hostileBody(const std::string& name) {
  return "hostile entry " + name + " holds a needle\n";
}

// Listing lines "path<TAB>size<TAB>DOS date DOS time" with '/' separators, folders ending in
// '/' with the size '-', so that a .list file and a reader's report compare as sets.
inline std::set<std::string> listedLines(const std::filesystem::path& list) {
  std::set<std::string> lines;
  for (const ListedEntry& entry : readListing(list)) {
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    archive::unixTimeToDos(utcSeconds(entry.time), dosDate, dosTime);
    lines.insert(entry.name + "\t" + entry.size + "\t" + std::to_string(dosDate) + " " +
                 std::to_string(dosTime));
  }
  return lines;
}

inline std::set<std::string> reportedLines(const std::vector<ReportedEntry>& entries) {
  std::set<std::string> lines;
  for (const ReportedEntry& entry : entries) {
    std::string name = entry.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    const bool folder = (entry.attributes & archive::kEntryFolder) != 0;
    if (folder && (name.empty() || name.back() != '/')) name += '/';
    lines.insert(name + "\t" + (folder ? "-" : std::to_string(entry.size)) + "\t" +
                 std::to_string(entry.dosDate) + " " + std::to_string(entry.dosTime));
  }
  return lines;
}

// Every file below `folder` by its path from there ('/' separators), with its contents.
inline std::map<std::string, std::string> filesBelow(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  if (!std::filesystem::exists(folder)) return files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
    if (item.is_regular_file())
      files[narrowPath(std::filesystem::relative(item.path(), folder))] = readFile(item.path());
  return files;
}

// What a FIXTURE.crc beside a fixture holds: "path<TAB>CRC-32 in hex" for every file the
// independent reader extracted.
inline std::map<std::string, uint32_t> independentCrcs(const std::string& list) {
  std::map<std::string, uint32_t> crcs;
  std::ifstream in(list, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const std::size_t tab = line.find('\t');
    crcs[line.substr(0, tab)] =
        static_cast<uint32_t>(std::stoul(line.substr(tab + 1), nullptr, 16));
  }
  return crcs;
}

// The CRC-32 of each file's contents by its path, from zlib rather than the readers' own.
inline std::map<std::string, uint32_t> crcsOf(const std::map<std::string, std::string>& files) {
  std::map<std::string, uint32_t> crcs;
  for (const auto& [path, contents] : files)
    crcs[path] = static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(contents.data()),
                                               static_cast<uInt>(contents.size())));
  return crcs;
}

// What the tests of a reader of these fixtures share: a scratch tree, a host, and the reader's
// operations run with the host, each checked for leaks.
template <archive::ListOperation List, archive::ExtractOperation Extract>
class FixtureReaderTest : public ::testing::Test {
 protected:
  int list(const std::string& path, ListingRecorder& recorder) {
    const int code =
        List(path.c_str(), &recorder.context, ListingRecorder::callback, host_.services, nullptr);
    host_.expectNoLeaks(path);
    return code;
  }
  // The listing ends with `code` and gives what the independent reader's .list beside it does.
  void expectIndependentListing(const std::string& path, int code) {
    ListingRecorder recorder;
    EXPECT_EQ(list(path, recorder), code) << path;
    EXPECT_EQ(reportedLines(recorder.entries), listedLines(path + ".list")) << path;
  }
  // Into `out` below the tree.
  int extractBelow(const std::string& path, uint32_t mode = archive::kModeKeepFolders,
                   const std::string& out = "out") {
    const int code = testing::extractBelow(host_, Extract, path, tree_.native(out), mode);
    host_.expectNoLeaks(path);
    return code;
  }
  // Into deep/out with the stored folders, so that a name climbing out of the output folder
  // still lands inside the tree; checks that nothing did, and gives what was written.
  std::map<std::string, std::string> extractHostile(const std::string& path) {
    tree_.folder("deep");
    EXPECT_EQ(extractBelow(path, archive::kModeKeepFolders, "deep/out"), archive::kDone);
    const std::string out = tree_.native("deep/out");
    for (const auto& item : std::filesystem::recursive_directory_iterator(tree_.root())) {
      if (item.path() == tree_.root() / "deep") continue;
      EXPECT_EQ(item.path().string().rfind(out, 0), 0u) << item.path();
    }
    return filesBelow(tree_.root() / "deep" / "out");
  }

  TempTree tree_;
  ArchiveTestHost host_;
};

}  // namespace ostrya::testing
