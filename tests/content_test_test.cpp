#include "search/content_test.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/file.h"
#include "regex/regex_search.h"
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

// A file that cannot be read is not a miss.
TEST_F(FileContentTestTest, EmptyMissingAndFolderPaths) {
  const ContentQuery query = prepareContent("a", 0, nullptr);
  FileContentTest test(query);
  tree.file("empty");
  tree.folder("dir");
  EXPECT_EQ(test.test(tree.native("empty").c_str()), ContentVerdict::NotFound);
  EXPECT_EQ(test.test(tree.native("missing").c_str()), ContentVerdict::Unreadable);
  EXPECT_EQ(test.test(tree.native("dir").c_str()), ContentVerdict::Unreadable);
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
// says so; nothing faults.
TEST_F(FileContentTestTest, FileThatShrinksWhileReadIsSearchedAsFarAsItGoes) {
  const ContentQuery query = prepareContent("needle", 0, nullptr);
  for (int round = 0; round < 5; ++round) {
    tree.file("shrinking", "needle");
    std::filesystem::resize_file(tree.root() / "shrinking", 64 << 20);
    FileContentTest test(query, 2 * FileContentTest::kOverlap);
    std::thread shorten([&] {
      std::filesystem::resize_file(tree.root() / "shrinking", FileContentTest::kOverlap);
    });
    EXPECT_EQ(test.test(tree.native("shrinking").c_str()), ContentVerdict::Found);
    shorten.join();
  }
  // Shortened between the size and the bytes: what is left holds no match.
  int shrank = 0;
  for (int round = 0; round < 5; ++round) {
    tree.file("shrinking", "");
    std::filesystem::resize_file(tree.root() / "shrinking", 64 << 20);
    FileContentTest test(query, 2 * FileContentTest::kOverlap);
    std::thread shorten([&] { std::filesystem::resize_file(tree.root() / "shrinking", 100); });
    const ContentVerdict verdict = test.test(tree.native("shrinking").c_str());
    shorten.join();
    EXPECT_TRUE(verdict == ContentVerdict::Shrank || verdict == ContentVerdict::NotFound);
    shrank += verdict == ContentVerdict::Shrank;
  }
  RecordProperty("rounds that saw the file shrink", shrank);
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
