#include "search/content_test.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/file.h"
#include "search/search_options.h"
#include "test_tree.h"

namespace ostrya {
namespace {

class FileContentTestTest : public ::testing::Test {
 protected:
  // Big enough to be viewed rather than read, and to span several small windows.
  std::string bigFile(std::size_t size) { return std::string(size, '.'); }

  bool found(const std::string& contents, const char* text, uint32_t options,
             std::size_t windowSize = FileContentTest::kDefaultWindowSize) {
    tree.file("f.bin", contents);
    const ContentQuery query = prepareContent(text, options, nullptr);
    FileContentTest test(query, windowSize);
    return test.matches(tree.native("f.bin").c_str());
  }

  testing::TempTree tree;
  const std::size_t unit = platform::mappingGranularity();
};

TEST_F(FileContentTestTest, EmptyMissingAndFolderPathsDoNotMatch) {
  const ContentQuery query = prepareContent("a", 0, nullptr);
  FileContentTest test(query);
  tree.file("empty");
  tree.folder("dir");
  EXPECT_FALSE(test.matches(tree.native("empty").c_str()));
  EXPECT_FALSE(test.matches(tree.native("missing").c_str()));
  EXPECT_FALSE(test.matches(tree.native("dir").c_str()));
}

TEST_F(FileContentTestTest, SmallAndLargeFilesWhole) {
  EXPECT_TRUE(found("tiny needle", "NEEDLE", 0));
  std::string large = bigFile(3 * 1024 * 1024);
  large.replace(large.size() - 6, 6, "needle");
  EXPECT_TRUE(found(large, "needle", kOptWholeWord));
  EXPECT_FALSE(found(large, "needles", 0));
}

TEST_F(FileContentTestTest, WindowedSearchFindsMatchesAcrossEveryBorder) {
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

}  // namespace
}  // namespace ostrya
