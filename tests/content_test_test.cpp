#include "search/content_test.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/file.h"
#include "regex/regex_search.h"
#include "search/content_pool.h"
#include "search/search_options.h"
#include "test_tree.h"

namespace ostrya {
namespace {

class FileContentTestTest : public ::testing::Test {
 protected:
  // Big enough to span several small chunks.
  std::string bigFile(std::size_t size) { return std::string(size, '.'); }

  bool found(const std::string& contents, const char* text, uint32_t options,
             std::size_t chunkSize = FileContentTest::kDefaultChunkSize) {
    tree.file("f.bin", contents);
    const ContentQuery query = prepareContent(text, options, nullptr);
    FileContentTest test(query, chunkSize);
    return test.test(tree.native("f.bin").c_str()) == ContentVerdict::Found;
  }

  testing::TempTree tree;
  // The smallest chunk: every border is one overlap apart.
  const std::size_t unit = FileContentTest::kOverlap;
};

// A file that is there and cannot be read is not a miss; what is no file holds nothing.
TEST_F(FileContentTestTest, EmptyMissingFolderAndUnreadablePaths) {
  const ContentQuery query = prepareContent("a", 0, nullptr);
  FileContentTest test(query);
  tree.file("empty");
  tree.folder("dir");
  EXPECT_EQ(test.test(tree.native("empty").c_str()), ContentVerdict::NotFound);
  EXPECT_EQ(test.test(tree.native("missing").c_str()), ContentVerdict::NotFound);
  EXPECT_EQ(test.test(tree.native("dir").c_str()), ContentVerdict::NotFound);
  tree.file("locked", "a");
  std::filesystem::permissions(tree.root() / "locked", std::filesystem::perms::none);
  if (!std::ifstream(tree.root() / "locked").good()) {
    EXPECT_EQ(test.test(tree.native("locked").c_str()), ContentVerdict::Unreadable);
  }
  std::filesystem::permissions(tree.root() / "locked", std::filesystem::perms::owner_all);
}

// A stop ends a test between chunks; the file counts as neither found nor unreadable.
TEST_F(FileContentTestTest, AStopEndsTheTestBetweenChunks) {
  std::string large = bigFile(8 * unit);
  large.replace(large.size() - 6, 6, "needle");
  tree.file("large.bin", large);
  const ContentQuery query = prepareContent("needle", 0, nullptr);
  std::atomic<uint32_t> stop{1};
  FileContentTest test(query, 2 * unit, &stop);
  EXPECT_EQ(test.test(tree.native("large.bin").c_str()), ContentVerdict::Stopped);
  SkippedItems skipped;
  EXPECT_FALSE(contentFound(ContentVerdict::Stopped, "large.bin", skipped));
  EXPECT_EQ(skipped.total(), 0u);
  stop = 0;
  EXPECT_EQ(test.test(tree.native("large.bin").c_str()), ContentVerdict::Found);
}

// Verdicts come back by ticket whoever tested the file, over more files than the pool holds at
// once; after a stop, files not yet tested are not read.
TEST_F(FileContentTestTest, APoolGivesEachTicketItsOwnVerdict) {
  for (int i = 0; i < 100; ++i)
    tree.file("f" + std::to_string(i), i % 3 == 0 ? "a needle" : std::string(i * 50, 'x'));
  const ContentQuery query = prepareContent("needle", 0, nullptr);
  std::atomic<uint32_t> stop{0};
  FileContentTest own(query, FileContentTest::kDefaultChunkSize, &stop);
  ContentPool pool("needle", 0, 3, stop);
  ASSERT_TRUE(pool.running());
  std::deque<std::size_t> tickets;
  for (int i = 0; i < 100; ++i) {
    if (tickets.size() == pool.capacity()) {
      const int oldest = i - static_cast<int>(tickets.size());
      EXPECT_EQ(pool.take(tickets.front(), own),
                oldest % 3 == 0 ? ContentVerdict::Found : ContentVerdict::NotFound)
          << oldest;
      tickets.pop_front();
    }
    tickets.push_back(pool.submit(tree.native("f" + std::to_string(i)).c_str()));
  }
  for (int i = 100 - static_cast<int>(tickets.size()); i < 100; ++i) {
    EXPECT_EQ(pool.take(tickets.front(), own),
              i % 3 == 0 ? ContentVerdict::Found : ContentVerdict::NotFound)
        << i;
    tickets.pop_front();
  }
  stop = 1;
  EXPECT_EQ(pool.take(pool.submit(tree.native("f0").c_str()), own), ContentVerdict::Stopped);
}

TEST_F(FileContentTestTest, SmallAndLargeFilesWhole) {
  EXPECT_TRUE(found("tiny needle", "NEEDLE", 0));
  std::string large = bigFile(3 * 1024 * 1024);
  large.replace(large.size() - 6, 6, "needle");
  EXPECT_TRUE(found(large, "needle", kOptWholeWord));
  EXPECT_FALSE(found(large, "needles", 0));
}

TEST_F(FileContentTestTest, ChunkedSearchFindsMatchesAcrossEveryBorder) {
  const std::size_t window = 2 * unit;
  const std::size_t step = window - unit;
  const std::size_t size = std::max<std::size_t>(6 * unit, 200 * 1024);
  for (std::size_t border = step; border + 8 < size; border += step) {
    for (std::size_t back : {1u, 3u, 5u}) {
      std::string contents = bigFile(size);
      contents.replace(border - back, 6, "needle");
      EXPECT_TRUE(found(contents, "needle", 0, window)) << border << " - " << back;
      EXPECT_TRUE(found(contents, "NEEDLE", kOptWholeWord, window)) << border << " - " << back;
      EXPECT_TRUE(found(contents, "6E 65 65 64", kOptHex, window)) << border << " - " << back;
    }
  }
  // Word bounds hold across borders: a word that goes on past the text is no match.
  std::string contents = bigFile(size);
  contents.replace(step - 3, 7, "needles");
  EXPECT_FALSE(found(contents, "needle", kOptWholeWord, window));
  contents = bigFile(size);
  contents.replace(step - 1, 7, "Xneedle");
  EXPECT_FALSE(found(contents, "needle", kOptWholeWord, window));
  EXPECT_TRUE(found(contents, "needle", 0, window));
  // At the very end of the file.
  contents = bigFile(size);
  contents.replace(size - 6, 6, "needle");
  EXPECT_TRUE(found(contents, "needle", kOptWholeWord, window));
}

// A file another program shortens while it is read is searched as far as it still goes, and
// says so when that part holds no match; nothing faults.
TEST_F(FileContentTestTest, FileThatShrinksWhileReadIsSearchedAsFarAsItGoes) {
  const auto shortened = [&](const std::string& start, uint32_t options, uint64_t left) {
    tree.file("shrinking", start);
    std::filesystem::resize_file(tree.root() / "shrinking", 64 << 20);
    std::unique_ptr<RegexPattern> pattern = compilePattern("needle", false);
    const ContentQuery query = prepareContent("needle", options, pattern.get());
    FileContentTest test(query, 2 * FileContentTest::kOverlap);
    platform::FileHandle file;
    uint64_t size = 0;
    EXPECT_EQ(file.openForReading(tree.native("shrinking").c_str(), size), 0);
    std::filesystem::resize_file(tree.root() / "shrinking", left);
    return test.test(file, size);
  };
  for (const uint32_t options : {0u, uint32_t{kOptRegex}}) {
    EXPECT_EQ(shortened("needle", options, 100), ContentVerdict::Found) << options;
    EXPECT_EQ(shortened("", options, 100), ContentVerdict::Shrank) << options;
    EXPECT_EQ(shortened("", options, 0), ContentVerdict::Shrank) << options;
    EXPECT_EQ(shortened("", options, 64 << 20), ContentVerdict::NotFound) << options;
  }
  // Shortened by another thread while the chunks are read.
  const ContentQuery query = prepareContent("needle", 0, nullptr);
  for (int round = 0; round < 3; ++round) {
    tree.file("shrinking", "");
    std::filesystem::resize_file(tree.root() / "shrinking", 64 << 20);
    FileContentTest test(query, 2 * FileContentTest::kOverlap);
    std::thread shorten([&] { std::filesystem::resize_file(tree.root() / "shrinking", 100); });
    const ContentVerdict verdict = test.test(tree.native("shrinking").c_str());
    shorten.join();
    EXPECT_TRUE(verdict == ContentVerdict::Shrank || verdict == ContentVerdict::NotFound);
  }
}

// A regular expression needs the whole file at once; one too large to hold is not searched,
// and a limit of the library is no miss either.
TEST_F(FileContentTestTest, WholeFileExpressionsSayWhatTheyCouldNotDo) {
  std::unique_ptr<RegexPattern> nested = compilePattern("(a+)+$|needle", false);
  ASSERT_TRUE(nested);
  const ContentQuery query = prepareContent("(a+)+$|needle", kOptRegex, nested.get());
  FileContentTest test(query);
  tree.file("hard", std::string(40000, 'a') + "b needle");
  const ContentVerdict hard = test.test(tree.native("hard").c_str());
  EXPECT_TRUE(hard == ContentVerdict::Found || hard == ContentVerdict::LimitReached);

  tree.file("huge", "needle");
  std::error_code error;
  std::filesystem::resize_file(tree.root() / "huge", FileContentTest::kLargestWholeFile + 1, error);
  if (!error) {
    EXPECT_EQ(test.test(tree.native("huge").c_str()), ContentVerdict::TooLarge);
  }
}

}  // namespace
}  // namespace ostrya
