#include "results/result_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/path.h"
#include "store_fill.h"

namespace ostrya {
namespace {

using test::Found;
using test::rowNames;
using test::rowOf;

using Names = std::vector<std::string>;

const std::string kSep(1, platform::kPathSeparator);

TEST(ResultStore, PublishedRowsFollowTheFoundOrder) {
  ResultStore store;
  EXPECT_EQ(store.rowCount(), 0u);
  test::addFolder(store, "/a", {{"one"}, {"two"}});
  test::addFolder(store, "/b", {});
  test::addFolder(store, "/c", {{"three"}});
  EXPECT_EQ(store.rowCount(), 3u);
  EXPECT_EQ(store.recordCount(), 3u);
  EXPECT_EQ(rowNames(store), (Names{"one", "two", "three"}));

  // Records appended after the last publication have no rows yet.
  const uint32_t folder = store.appendFolder("/d", 0);
  uint8_t builder[kRecordBuilderSize];
  ResultFields fields;
  fields.folderNumber = folder;
  ASSERT_NE(buildResultRecord(builder, fields, "four"), 0u);
  ASSERT_TRUE(store.appendRecord(builder));
  EXPECT_EQ(store.rowCount(), 3u);
  EXPECT_EQ(store.recordCount(), 4u);

  store.reset();
  EXPECT_EQ(store.rowCount(), 0u);
  EXPECT_EQ(store.recordCount(), 0u);
  EXPECT_EQ(store.fullPathOfRow(0), "");
  EXPECT_EQ(test::addFolder(store, "/e", {{"five"}}), 1u);
  EXPECT_EQ(rowNames(store), Names{"five"});
}

TEST(ResultStore, FolderRecordsByNumber) {
  ResultStore store;
  EXPECT_EQ(store.appendFolder("/first", 0), 1u);
  EXPECT_EQ(store.appendFolder("/second/longer", 0), 2u);
  EXPECT_EQ(store.appendFolder("/x.zip\\in", 6), 3u);
  EXPECT_EQ(store.appendFolder(std::string(600, 'p').c_str(), 0), 0u);
  std::lock_guard guard(store.lock());
  EXPECT_EQ(store.folderRecordLocked(0).bytes(), nullptr);
  EXPECT_EQ(store.folderRecordLocked(4).bytes(), nullptr);
  EXPECT_STREQ(store.folderRecordLocked(1).path(), "/first");
  EXPECT_STREQ(store.folderRecordLocked(2).path(), "/second/longer");
  EXPECT_STREQ(store.folderRecordLocked(3).path(), "/x.zip\\in");
  EXPECT_EQ(store.folderRecordLocked(3).archivePathLength(), 6);
  EXPECT_EQ(store.recordOfRowLocked(0).bytes(), nullptr);
}

TEST(ResultStore, FullPathAndFolderOfRow) {
  struct Case {
    const char* folder;
    uint16_t archivePathLength;
    const char* name;
    std::string fullPath;
    std::string folderOfRow;
  };
  const Case cases[] = {
      {"/data/docs", 0, "a.txt", "/data/docs" + kSep + "a.txt", "/data/docs"},
      {"C:\\", 0, "boot.ini", "C:\\boot.ini", "C:\\"},
      {"/", 0, "etc.conf", "/etc.conf", "/"},
      // Entries inside an archive act on the archive; its folder opens.
      {"/data/pack.zip", 14, "inner.txt", "/data/pack.zip", "/data"},
      {"C:\\pack.zip\\sub\\deeper", 11, "x.c", "C:\\pack.zip", "C:\\"},
      {"/pack.tar", 9, "y", "/pack.tar", "/"},
  };
  for (const Case& c : cases) {
    ResultStore store;
    test::addFolder(store, c.folder, {{c.name}}, c.archivePathLength);
    EXPECT_EQ(store.fullPathOfRow(0), c.fullPath) << c.folder;
    EXPECT_EQ(store.folderOfRow(0), c.folderOfRow) << c.folder;
    EXPECT_EQ(store.fullPathOfRow(1), "");
    EXPECT_EQ(store.folderOfRow(1), "");
  }
}

TEST(ResultStore, RecordWithoutFolderHasNoPath) {
  ResultStore store;
  uint8_t builder[kRecordBuilderSize];
  ResultFields fields;
  fields.folderNumber = 7;
  fields.extensionPosition = 7;
  ASSERT_NE(buildResultRecord(builder, fields, "orphan.txt"), 0u);
  const std::size_t mark = store.recordMark();
  ASSERT_TRUE(store.appendRecord(builder));
  store.publishRows(mark);
  EXPECT_EQ(store.fullPathOfRow(0), "");
  EXPECT_EQ(store.folderOfRow(0), "");
  EXPECT_EQ(store.typeTextOfRow(0, englishTexts()), "TXT-File");
}

TEST(ResultStore, FoundFolderOpensItself) {
  const std::filesystem::path root =
      std::filesystem::path(testing::TempDir()) / "ostrya_folder_of_row";
  std::filesystem::create_directories(root / "inside");
  ResultStore store;
  test::addFolder(store, root.string().c_str(), {{"inside", 0, kRecFolder}, {"file.txt"}});
  EXPECT_EQ(store.folderOfRow(0), root.string() + kSep + "inside");
  EXPECT_EQ(store.folderOfRow(1), root.string());
  std::filesystem::remove_all(root);
}

#ifdef _WIN32
TEST(ResultStore, TypeTextComesFromTheShell) {
  ResultStore store;
  test::addFolder(store, "C:\\nowhere", {{"notes.txt"}, {"src", 0, kRecFolder}});
  EXPECT_NE(store.typeTextOfRow(0, englishTexts()), "");
  EXPECT_NE(store.typeTextOfRow(1, englishTexts()), "");
}
#else
TEST(ResultStore, TypeTextFallbackWithoutShellNames) {
  struct Case {
    std::string name;
    uint16_t attributes;
    std::string type;
  };
  const Case cases[] = {
      {"notes.txt", 0, "TXT-File"},
      {"README", 0, "File"},
      {"pack.tar.gz", 0, "GZ-File"},
      {"trailing.", 0, "File"},
      {"photos.d", kRecFolder, "D-File"},
      {"src", kRecFolder, "File"},
      {"umlaut.\xe4\xf6", 0, "\xc4\xd6-File"},
      {"long." + std::string(45, 'x'), 0, std::string(39, 'X')},
      {"fits." + std::string(34, 'y'), 0, std::string(34, 'Y') + "-File"},
      {"edge." + std::string(35, 'y'), 0, std::string(35, 'Y') + "-Fil"},
  };
  for (const Case& c : cases) {
    ResultStore store;
    test::addFolder(store, "/nowhere", {{c.name, 0, c.attributes}});
    EXPECT_EQ(store.typeTextOfRow(0, englishTexts()), c.type) << c.name;
  }
  ResultStore store;
  EXPECT_EQ(store.typeTextOfRow(0, englishTexts()), "");
}
#endif

TEST(ResultStore, TypeTextIsFilledOnce) {
  ResultStore store;
  test::addFolder(store, "/w", {{"a.txt"}});
  ASSERT_EQ(store.typeTextOfRow(0, englishTexts()), "TXT-File");
  {
    std::lock_guard guard(store.lock());
    const ResultRecord record = store.recordOfRowLocked(0);
    EXPECT_STREQ(record.typeText(), "TXT-File");
    std::strcpy(record.typeText(), "Kept");
  }
  EXPECT_EQ(store.typeTextOfRow(0, englishTexts()), "Kept");
}

TEST(ResultStore, SelectionTotals) {
  ResultStore store;
  test::addFolder(store, "/w",
                  {
                      {"dir", 0, kRecFolder},
                      {"big.bin", 1000},
                      {"entry.txt", kUnknownSize, kRecInArchive},
                      {"packed.c", 30, kRecInArchive},
                      {"unselected.txt", 5},
                  });
  test::FakeListStates states(5);
  EXPECT_EQ(store.selectionTotals(&states).files, 0u);

  for (uint32_t row = 0; row < 4; ++row) states.setState(row, kStateSelected);
  const Totals totals = store.selectionTotals(&states);
  EXPECT_EQ(totals.folders, 1u);
  EXPECT_EQ(totals.files, 3u);
  EXPECT_EQ(totals.bytes, 1030u);
  EXPECT_EQ(totals.archiveEntries, 2u);

  // Without a list view the states saved last are counted.
  const Totals saved = store.selectionTotals(nullptr);
  EXPECT_EQ(saved.files, 3u);
  EXPECT_EQ(saved.archiveEntries, 2u);
}

TEST(ResultStore, RebuildAfterDeleteKeepsOrderPathsAndStates) {
  ResultStore store;
  test::addFolder(store, "/one", {{"d.txt", 4}, {"dir", 0, kRecFolder}, {"b.txt", 2}});
  test::addFolder(store, "/two", {{"c.txt", kUnknownSize}, {"a.txt", 1}, {"e.txt", 5}});
  ASSERT_TRUE(
      store.sort(SortMode::Name, SortDirection::Descending, false, nullptr, englishTexts()));
  ASSERT_EQ(rowNames(store), (Names{"dir", "e.txt", "d.txt", "c.txt", "b.txt", "a.txt"}));

  test::FakeListStates states(6);
  states.setState(1, kStateSelected);  // e.txt
  states.setState(4, kStateSelected);  // b.txt
  states.setState(3, kStateFocused);   // c.txt
  const Totals kept = store.rebuildKeeping(
      [](const ResultRecord& record) { return (record.listState() & kStateSelected) == 0; },
      &states, englishTexts());

  EXPECT_EQ(rowNames(store), (Names{"dir", "d.txt", "c.txt", "a.txt"}));
  EXPECT_EQ(store.recordCount(), 4u);
  EXPECT_EQ(kept.folders, 1u);
  EXPECT_EQ(kept.files, 3u);
  EXPECT_EQ(kept.bytes, 5u);
  EXPECT_EQ(store.fullPathOfRow(1), "/one" + kSep + "d.txt");
  EXPECT_EQ(store.fullPathOfRow(3), "/two" + kSep + "a.txt");
  for (uint32_t row = 0; row < 4; ++row)
    EXPECT_EQ(states.state(row), row == 2 ? kStateFocused : 0) << row;

  // Back to the found order of what is left.
  ASSERT_TRUE(
      store.sort(SortMode::Unsorted, SortDirection::Ascending, false, nullptr, englishTexts()));
  EXPECT_EQ(rowNames(store), (Names{"d.txt", "dir", "c.txt", "a.txt"}));
}

TEST(ResultStore, RebuildKeepingNothing) {
  ResultStore store;
  test::addFolder(store, "/w", {{"a"}, {"b"}});
  const Totals kept =
      store.rebuildKeeping([](const ResultRecord&) { return false; }, nullptr, englishTexts());
  EXPECT_EQ(kept.files, 0u);
  EXPECT_EQ(store.rowCount(), 0u);
  EXPECT_EQ(store.recordCount(), 0u);
  test::addFolder(store, "/v", {{"c"}});
  EXPECT_EQ(rowNames(store), Names{"c"});
}

TEST(ResultStore, RebuildRenamedReplacesTheRecordAndSortsAgain) {
  ResultStore store;
  test::addFolder(store, "/w", {{"b.txt", 7, kRecArchive}, {"c.doc"}, {"a.txt"}});
  ASSERT_TRUE(
      store.sort(SortMode::Extension, SortDirection::Ascending, false, nullptr, englishTexts()));
  ASSERT_EQ(rowNames(store), (Names{"c.doc", "a.txt", "b.txt"}));
  ASSERT_EQ(store.typeTextOfRow(2, englishTexts()), "TXT-File");

  test::FakeListStates states(3);
  states.setState(2, kStateSelected | kStateFocused);
  ASSERT_TRUE(store.rebuildRenamed(2, "a_much_longer_name.bmp", &states, englishTexts()));

  EXPECT_EQ(rowNames(store), (Names{"a_much_longer_name.bmp", "c.doc", "a.txt"}));
  EXPECT_EQ(states.state(0), kStateSelected | kStateFocused);
  EXPECT_EQ(states.state(1), 0);
  EXPECT_EQ(store.fullPathOfRow(0), "/w" + kSep + "a_much_longer_name.bmp");
  EXPECT_EQ(store.typeTextOfRow(0, englishTexts()), "BMP-File");
  {
    std::lock_guard guard(store.lock());
    const ResultRecord record = store.recordOfRowLocked(0);
    EXPECT_EQ(record.length(), 22 + 72);
    EXPECT_EQ(record.extensionPosition(), 19);
    EXPECT_EQ(record.size(), 7u);
    EXPECT_EQ(record.attributes(), kRecArchive);
    EXPECT_EQ(record.iconIndex(), -1);
  }
  EXPECT_FALSE(store.rebuildRenamed(3, "x", nullptr, englishTexts()));
  EXPECT_FALSE(store.rebuildRenamed(0, std::string(600, 'n').c_str(), nullptr, englishTexts()));
  EXPECT_EQ(store.recordCount(), 3u);
}

// A delete while the search is inside a folder: the search's mark points into the old area,
// yet its records must become whole rows.
TEST(ResultStore, PublicationAfterARebuildMidFolder) {
  ResultStore store;
  test::addFolder(store, "/done", {{"gone.txt"}, {"kept.txt"}});
  const uint32_t folder = store.appendFolder("/busy", 0);
  const std::size_t mark = store.recordMark();
  uint8_t builder[kRecordBuilderSize];
  ResultFields fields;
  fields.folderNumber = folder;
  ASSERT_NE(buildResultRecord(builder, fields, "pending.txt"), 0u);
  ASSERT_TRUE(store.appendRecord(builder));

  store.rebuildKeeping(
      [](const ResultRecord& record) { return std::strcmp(record.name(), "gone.txt") != 0; },
      nullptr, englishTexts());
  EXPECT_EQ(rowNames(store), Names{"kept.txt"});

  ASSERT_NE(buildResultRecord(builder, fields, "late.txt"), 0u);
  ASSERT_TRUE(store.appendRecord(builder));
  store.publishRows(mark);
  EXPECT_EQ(rowNames(store), (Names{"kept.txt", "pending.txt", "late.txt"}));
  EXPECT_EQ(store.fullPathOfRow(2), "/busy" + kSep + "late.txt");
}

TEST(ResultStore, RejectsRecordsShorterThanTheirHeader) {
  ResultStore store;
  uint8_t bytes[kRecordBuilderSize] = {};
  storeField<uint16_t>(bytes, 10);
  EXPECT_FALSE(store.appendRecord(bytes));
  EXPECT_EQ(store.recordCount(), 0u);
}

// The search thread appends and publishes while the interface thread draws rows.
TEST(ResultStore, ReadersSeeWholeRowsWhileTheSearchAppends) {
  constexpr int kFolders = 150;
  constexpr int kPerFolder = 20;
  ResultStore store;
  std::atomic<bool> done{false};

  std::thread search([&] {
    for (int f = 0; f < kFolders; ++f) {
      const std::string path = "/run/f" + std::to_string(f);
      const uint32_t folder = store.appendFolder(path.c_str(), 0);
      const std::size_t mark = store.recordMark();
      for (int i = 0; i < kPerFolder; ++i) {
        const std::string name = "n" + std::to_string(f) + "_" + std::to_string(i) + ".txt";
        uint8_t builder[kRecordBuilderSize];
        ResultFields fields;
        fields.folderNumber = folder;
        fields.extensionPosition = extensionPositionOfName(name.c_str());
        buildResultRecord(builder, fields, name.c_str());
        store.appendRecord(builder);
      }
      store.publishRows(mark);
    }
    done = true;
  });

  std::size_t checked = 0;
  while (!done || checked == 0) {
    const uint32_t rows = store.rowCount();
    EXPECT_EQ(rows % kPerFolder, 0u);
    for (uint32_t row = rows > 30 ? rows - 30 : 0; row < rows; ++row) {
      const std::string path = store.fullPathOfRow(row);
      const std::string folder = "/run/f" + std::to_string(row / kPerFolder);
      const std::string name =
          "n" + std::to_string(row / kPerFolder) + "_" + std::to_string(row % kPerFolder) + ".txt";
      ASSERT_EQ(path, folder + kSep + name);
      ASSERT_EQ(store.typeTextOfRow(row, englishTexts()), "TXT-File");
      ++checked;
    }
    EXPECT_FALSE(
        store.sort(SortMode::Name, SortDirection::Ascending, true, nullptr, englishTexts()));
    store.selectionTotals(nullptr);
  }
  search.join();
  EXPECT_EQ(store.rowCount(), static_cast<uint32_t>(kFolders * kPerFolder));
  EXPECT_GT(checked, 0u);
}

}  // namespace
}  // namespace ostrya
