#include "search/search_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "foundation/language_file.h"
#include "search/folder_walk.h"
#include "search/name_match.h"
#include "test_tree.h"

namespace ostrya {
namespace {

using testing::RecordingHost;
using testing::rowPaths;
using testing::TempTree;

std::set<std::string> asSet(const std::vector<std::string>& v) {
  return {v.begin(), v.end()};
}

class SearchRunTest : public ::testing::Test {
 protected:
  SearchRunTest() {
    context.secondChance = secondChanceMatcher();
    tree.file("a.txt", "alpha");
    tree.file("b.dat", "bravo!");
    tree.file("sub/c.txt", "charlie");
    tree.file("sub/deeper/d.txt", "delta");
    tree.folder("empty");
  }

  std::vector<std::string> run(const std::string& patterns, const std::string& lookIn,
                               const std::string& text = "") {
    host.patterns = patterns;
    host.lookIn = lookIn;
    host.text = text;
    runSearch(context, host);
    return rowPaths(context.store);
  }

  TempTree tree;
  SearchContext context;
  RecordingHost host;
};

TEST_F(SearchRunTest, MatchAllFindsEveryFileAndFolderOfTheTree) {
  const auto rows = run("*.*", tree.native());
  EXPECT_EQ(asSet(rows), asSet({tree.native("a.txt"), tree.native("b.dat"), tree.native("sub"),
                                tree.native("empty"), tree.native("sub/c.txt"),
                                tree.native("sub/deeper"), tree.native("sub/deeper/d.txt")}));
  EXPECT_EQ(host.totals.back(), "Total 4 files, 3 folders, 23 bytes");
  EXPECT_EQ(host.ended, 1);
  // The history keeps what was typed, not the match-all pattern the run used.
  EXPECT_EQ(host.histories[0], std::vector<std::string>{"*.*"});
}

TEST_F(SearchRunTest, AFoldersOwnRowsComeBeforeItsSubfolders) {
  const auto rows = run("*.txt", tree.native());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], tree.native("a.txt"));
  EXPECT_EQ(rows[1], tree.native("sub/c.txt"));
  EXPECT_EQ(rows[2], tree.native("sub/deeper/d.txt"));
  // Folder records in walk order, numbered from 1.
  std::lock_guard<std::mutex> hold(context.store.lock());
  std::vector<std::string> folders;
  for (uint32_t k = 1; context.store.folderRecordLocked(k).bytes(); ++k)
    folders.push_back(context.store.folderRecordLocked(k).path());
  // Depth first, in listing order: "sub" and "empty" may come either way round.
  const std::vector<std::string> subFirst = {tree.native(), tree.native("sub"),
                                             tree.native("sub/deeper"), tree.native("empty")};
  const std::vector<std::string> emptyFirst = {tree.native(), tree.native("empty"),
                                               tree.native("sub"), tree.native("sub/deeper")};
  EXPECT_TRUE(folders == subFirst || folders == emptyFirst) << ::testing::PrintToString(folders);
}

TEST_F(SearchRunTest, WithoutRecursionOnlyTheGivenFolderIsListed) {
  context.options &= ~static_cast<uint32_t>(kOptRecurse);
  EXPECT_EQ(asSet(run("", tree.native())), asSet({tree.native("a.txt"), tree.native("b.dat"),
                                                  tree.native("sub"), tree.native("empty")}));
}

TEST_F(SearchRunTest, LookInListSkipsEmptyElementsAndMissingFolders) {
  const std::string missing = tree.native("no-such-folder");
  const auto rows =
      run("*.dat;c.*", ";" + tree.native("sub") + ";;" + missing + ";" + tree.native() + ";");
  EXPECT_EQ(rows, (std::vector<std::string>{tree.native("sub/c.txt"), tree.native("b.dat"),
                                            tree.native("sub/c.txt")}));
  EXPECT_EQ(host.histories[1].size(), 1u);
}

TEST_F(SearchRunTest, NothingFoundGivesZeroFiles) {
  EXPECT_TRUE(run("*.none", tree.native()).empty());
  EXPECT_EQ(host.totals.back(), "0 files");
  EXPECT_TRUE(host.rowCounts.size() >= 1 && host.rowCounts.back() == 0);
}

// What the walk could not search is counted by kind, the first paths kept, and said after the
// totals; a run that could search everything says nothing more.
TEST_F(SearchRunTest, WhatCouldNotBeSearchedIsSaidAfterTheTotals) {
  run("*.*", tree.native());
  EXPECT_EQ(context.skipped.total(), 0u);
  EXPECT_EQ(host.totals.back().find("not searched"), std::string::npos);

  const std::string deep = "long/" + std::string(120, 'a') + "/" + std::string(120, 'b');
  tree.file(deep + "/f.txt", "alpha");
  tree.file("hard.txt", std::string(40000, 'a') + "b");
  context.options = kOptRecurse | kOptRegex;
  run("*.txt", tree.native(), "^(a+)+$|needle");
  const auto counts = context.skipped.counts();
  EXPECT_EQ(counts[static_cast<std::size_t>(SkipKind::PathTooLong)], 1u);
  EXPECT_EQ(counts[static_cast<std::size_t>(SkipKind::PatternLimit)], 1u);
  EXPECT_EQ(context.skipped.total(), 2u);
  EXPECT_NE(host.totals.back().find("0 files; 2 not searched"), std::string::npos)
      << host.totals.back();
  std::set<std::string> paths;
  for (const SkippedItems::Item& item : context.skipped.firstItems()) paths.insert(item.path);
  EXPECT_EQ(paths.count(tree.native("hard.txt")), 1u);
  EXPECT_EQ(paths.count(tree.native("long/" + std::string(120, 'a')) + platform::kPathSeparator +
                        std::string(120, 'b')),
            1u);

  // Only the first few paths are kept; every one is counted.
  SkippedItems many;
  for (int i = 0; i < 8; ++i) many.note(SkipKind::Unreadable, std::to_string(i).c_str());
  EXPECT_EQ(many.total(), 8u);
  EXPECT_EQ(many.firstItems().size(), SkippedItems::kKeptPaths);
  std::unique_ptr<LanguageTable> loaded;
  EXPECT_EQ(skippedNote(1234, languageFor("DE", "", loaded), '.'), "; 1.234 nicht durchsucht");
}

// Matches files whose contents start with the given text.
class StartsWith final : public ContentTest {
 public:
  explicit StartsWith(std::string text) : text_(std::move(text)) {}
  ContentVerdict test(const char* path) override {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return ContentVerdict::Unreadable;
    char buffer[64] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    return std::string(buffer, n).rfind(text_, 0) == 0 ? ContentVerdict::Found
                                                       : ContentVerdict::NotFound;
  }

 private:
  std::string text_;
};

TEST(FolderWalk, WithAContainingTextOnlyFilesThatPassTheContentTestAreRows) {
  TempTree tree;
  tree.file("x/one.txt", "needle here");
  tree.file("x/two.txt", "no");
  tree.folder("x/needle");
  SearchContext context;
  RecordingHost host;
  SearchRequest request(context, host);
  const NameMatcher all(".", nullptr);
  StartsWith content("needle");
  request.namePatterns = &all;
  request.containingText = "needle";
  request.searchLength = 6;
  request.content = &content;
  request.options = kOptRecurse;
  walkFolder(tree.native().c_str(), request);
  EXPECT_EQ(rowPaths(context.store), std::vector<std::string>{tree.native("x/one.txt")});
  EXPECT_EQ(request.counters.files, 1u);
  EXPECT_EQ(request.counters.folders, 0u);
}

class StopAfterFolders final : public RecordingHost {
 public:
  StopAfterFolders(SearchContext& context, std::size_t folders)
      : context_(context), limit_(folders) {}
  void showFolder(const char* folder) override {
    RecordingHost::showFolder(folder);
    if (folders.size() == limit_) context_.stopRequests.fetch_add(1);
  }

 private:
  SearchContext& context_;
  std::size_t limit_;
};

// With a containing text too, tested on the run's thread or on workers fed by a lister ahead.
TEST(SearchRun, AStopKeepsTheRowsFoundAndSaysSo) {
  TempTree tree;
  for (int i = 0; i < 20; ++i) tree.file("f" + std::to_string(i) + "/x.txt", "x");
  for (const char* text : {"", "x"}) {
    for (unsigned workers : {1u, 3u}) {
      SearchContext context;
      context.contentWorkers = workers;
      StopAfterFolders host(context, 3);
      host.patterns = "*.txt";
      host.lookIn = tree.native() + ";" + tree.native();
      host.text = text;
      runSearch(context, host);
      // The stop came while the third folder was listed: its entries were not read.
      EXPECT_EQ(host.folders.size(), 4u);  // three walked, then the status text cleared
      EXPECT_LE(context.store.rowCount(), 2u);
      EXPECT_EQ(context.store.rowCount(), rowPaths(context.store).size());
      const std::string& last = host.totals.back();
      EXPECT_NE(last.find(" - search canceled"), std::string::npos) << last;
      EXPECT_EQ(host.ended, 1);
    }
  }
}

TEST(SearchRun, KeepContainingTextTrimsTrailingBlanksInHexMode) {
  TempTree tree;
  SearchContext context;
  context.options |= kOptKeepText | kOptHex;
  RecordingHost host;
  host.patterns = "*.none";
  host.lookIn = tree.native();
  host.text = "4D 5A  ";
  runSearch(context, host);
  EXPECT_EQ(host.histories[2], std::vector<std::string>{"4D 5A"});
  EXPECT_EQ(host.fieldWrittenBack, "4D 5A");
}

TEST(SearchRun, StartSearchRunsOnAThreadOfItsOwn) {
  TempTree tree;
  tree.file("a.txt");
  SearchContext context;
  context.stopRequests = 5;  // left over from an earlier stop
  RecordingHost host;
  host.patterns = "*.txt";
  host.lookIn = tree.native();
  startSearch(context, host).join();
  EXPECT_EQ(context.store.rowCount(), 1u);
  EXPECT_EQ(context.searching.load(), 0u);
  EXPECT_EQ(host.totals.back(), "Total 1 file");
}

#ifndef _WIN32
TEST(FolderWalk, LongPathsAndLinkLoopsEndTheWalkSafely) {
  TempTree tree;
  const std::string longName(100, 'n');
  tree.file(longName + "/" + longName + "/" + longName + "/deep.txt");
  tree.file("near.txt");
  std::filesystem::create_directory_symlink(tree.root(), tree.root() / "loop");
  SearchContext context;
  RecordingHost host;
  host.patterns = "*.txt";
  host.lookIn = tree.native();
  runSearch(context, host);
  // deep.txt's path does not fit a path buffer; the loop is listed but not entered.
  EXPECT_EQ(rowPaths(context.store), std::vector<std::string>{tree.native("near.txt")});
  host.patterns = "loop";
  runSearch(context, host);
  EXPECT_EQ(rowPaths(context.store), std::vector<std::string>{tree.native("loop")});
}
#endif

}  // namespace
}  // namespace ostrya
