#include "foundation/file_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/error_box.h"
#include "platform/file.h"
#include "platform/listing.h"
#include "test_tree.h"

namespace ostrya {
namespace {

class RecordingPresenter final : public ErrorPresenter {
 public:
  int present(void*, const char* text, const char* caption) override {
    texts.push_back(text);
    captions.push_back(caption);
    return 1;
  }
  std::vector<std::string> texts, captions;
};

TEST(MappedFile, ViewsSizesAndTheEmptyFile) {
  testing::TempTree tree;
  tree.file("five", "12345");
  tree.file("empty");
  MappedFile file;
  ASSERT_EQ(file.open(tree.native("five").c_str()), 0);
  EXPECT_EQ(file.size(), 5u);
  EXPECT_EQ(file.size32(), 5u);
  ASSERT_NE(file.viewRange(1, 4), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.viewRange(1, 4)), 4), "2345");
  EXPECT_EQ(file.viewRange(2, 4), nullptr);  // past the end
  file.close();
  EXPECT_EQ(file.viewRange(0, 0), nullptr);

  ASSERT_EQ(file.open(tree.native("empty").c_str()), 0);  // open, with no view
  EXPECT_EQ(file.size(), 0u);
  EXPECT_EQ(file.viewRange(0, 0), nullptr);
  EXPECT_NE(file.open(tree.native("missing").c_str()), 0);
  EXPECT_EQ(file.size(), 0u);
}

TEST(WholeFile, ReadAndWrite) {
  testing::TempTree tree;
  tree.file("text", std::string("a\0b", 3));
  tree.file("empty");
  const WholeFile text = readWholeFile(tree.native("text").c_str());
  ASSERT_TRUE(text.text);
  EXPECT_EQ(text.length, 3u);
  EXPECT_EQ(std::string(text.text.get(), 4), std::string("a\0b\0", 4));
  const WholeFile empty = readWholeFile(tree.native("empty").c_str());
  ASSERT_TRUE(empty.text);
  EXPECT_EQ(empty.length, 0u);
  EXPECT_EQ(empty.text[0], '\0');
  EXPECT_FALSE(readWholeFile(tree.native("missing").c_str()).text);

  // A read-only file is replaced all the same.
  tree.file("settings", "old contents, longer");
  const std::string path = tree.native("settings");
  ASSERT_TRUE(platform::setFileAttributes(path.c_str(), platform::kAttrReadOnly));
  EXPECT_EQ(writeWholeFile(path.c_str(), "new", 3), 0);
  EXPECT_EQ(testing::readFile(tree.root() / "settings"), "new");
  EXPECT_EQ(writeWholeFile("", "x", 1), 0);
  EXPECT_NE(writeWholeFile(tree.native("no/such/folder/f").c_str(), "x", 1), 0);
}

TEST(OutputFile, CreatesMissingFoldersAndWritesLines) {
  testing::TempTree tree;
  OutputFile out;
  EXPECT_EQ(out.writeLine(nullptr, "nothing yet"), 0);  // closed: succeeds, writes nothing
  const std::string path = tree.native("made/on/demand/list.txt");
  ASSERT_EQ(out.create(nullptr, path.c_str()), 0);
  EXPECT_EQ(out.create(nullptr, path.c_str()), -1);  // already open
  EXPECT_EQ(out.writeLine(nullptr, "first"), 0);
  EXPECT_EQ(out.write(nullptr, "second", 6), 0);
  out.close();
  EXPECT_EQ(testing::readFile(tree.root() / "made/on/demand/list.txt"), "first\r\nsecond");
}

TEST(OutputFile, FailureShowsTheSystemTextCaptionedWithTheFileName) {
  testing::TempTree tree;
  tree.folder("taken.txt");
  RecordingPresenter presenter;
  setErrorPresenter(&presenter);
  tree.file("blocker", "a file where a folder should be");
  OutputFile out;
  // A folder stands where the file should be; a file stands where its folder should be.
  EXPECT_EQ(out.create(nullptr, tree.native("taken.txt").c_str()), -1);
  EXPECT_EQ(out.create(nullptr, tree.native("blocker/list.txt").c_str()), -1);
  setErrorPresenter(nullptr);
  ASSERT_EQ(presenter.texts.size(), 2u);
  EXPECT_FALSE(presenter.texts[0].empty());
  EXPECT_FALSE(presenter.texts[1].empty());
  EXPECT_EQ(presenter.captions[0], "taken.txt");
  EXPECT_EQ(presenter.captions[1], "list.txt");
  EXPECT_FALSE(std::filesystem::exists(tree.root() / "blocker" / "list.txt"));
}

TEST(SystemErrorBox, CodesAndCaptions) {
  RecordingPresenter presenter;
  setErrorPresenter(&presenter);
  platform::FileHandle file;
  uint64_t size = 0;
  const int code = file.openForReading("/definitely/not/here", size);
  ASSERT_NE(code, 0);
  EXPECT_EQ(showSystemError(nullptr, code, "C:\\some\\folder/file.txt"), 1);
  EXPECT_EQ(showSystemError(nullptr, code, nullptr), 1);
  setErrorPresenter(nullptr);
  ASSERT_EQ(presenter.captions.size(), 2u);
  EXPECT_EQ(presenter.captions[0], "file.txt");
  EXPECT_EQ(presenter.captions[1], "Ostrya");
  EXPECT_EQ(presenter.texts[0], platform::errorText(code).substr(0, 511));
}

TEST(SharedMemory, ASecondOpenSeesTheFirstBlock) {
  platform::SharedMemory first, second;
  const std::string name = "OstryaTest" + std::to_string(std::rand());
  EXPECT_FALSE(first.open(name.c_str(), 4095));
  ASSERT_NE(first.data(), nullptr);
  std::memcpy(first.data(), "partner", 8);
  EXPECT_TRUE(second.open(name.c_str(), 4095));
  ASSERT_NE(second.data(), nullptr);
  EXPECT_STREQ(static_cast<const char*>(second.data()), "partner");
}

TEST(AllocateZeroed, NothingForZeroBytes) {
  EXPECT_FALSE(allocateZeroed(0));
  const auto block = allocateZeroed(64);
  ASSERT_TRUE(block);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
}

}  // namespace
}  // namespace ostrya
