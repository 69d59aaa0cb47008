#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/formats/cpio.h"
#include "archive_cpio_writer.h"
#include "archive_fixture_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

using testing::kCpioFileMode;
using testing::kCpioFolderMode;
using testing::newcMember;
using testing::newcTrailer;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("cpio/" + name).string();
}

using ArchiveCpio = testing::FixtureReaderTest<listCpio, extractCpio>;

TEST_F(ArchiveCpio, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : {"tree-newc.cpio", "tree-crc.cpio"})
    expectIndependentListing(fixture(name), kDone);
}

TEST_F(ArchiveCpio, ExtractsEachFixtureWithOrWithoutItsFolders) {
  for (const char* name : {"tree-newc.cpio", "tree-crc.cpio"}) {
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(fixture(name)), kDone) << name;
    EXPECT_EQ(testing::filesBelow(tree_.root() / "out"), testing::fixtureTreeFiles(true)) << name;
    EXPECT_TRUE(fs::is_directory(tree_.root() / "out" / "empty")) << name;
  }
  // Without folders every file lands in the output folder itself, and no folder is made.
  fs::remove_all(tree_.root() / "out");
  EXPECT_EQ(extractBelow(fixture("tree-newc.cpio"), 0), kDone);
  std::size_t files = 0;
  for (const auto& item : fs::directory_iterator(tree_.root() / "out")) {
    EXPECT_TRUE(item.is_regular_file()) << item.path();
    ++files;
  }
  EXPECT_EQ(files, testing::fixtureTreeFiles(true).size());
}

TEST_F(ArchiveCpio, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const std::string path = fixture("hostile-names.cpio");
  // The 300-character name does not fit a path and is skipped, not cut.
  EXPECT_EQ(extractHostile(path).size(), 7u);

  ListingRecorder recorder;
  list(path, recorder);
  ASSERT_EQ(recorder.entries.size(), 8u);
  EXPECT_EQ(recorder.entries[2].name, "abs.txt");
  EXPECT_EQ(recorder.entries[7].name.size(), 259u);
}

TEST_F(ArchiveCpio, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string path = fixture("hostile-names.cpio");
  EXPECT_EQ(testing::extractToTarget(host_, path, tree_.native("entry.tmp"), kCpio), kDone);
  ASSERT_EQ(host_.extractedContents.size(), 8u);
  EXPECT_EQ(host_.extractedContents[0], testing::hostileBody("safe.txt"));
  for (const std::string& contents : host_.extractedContents)
    EXPECT_NE(contents.find("needle"), std::string::npos);
  host_.expectNoLeaks(path);
}

// Where a walk ends and with what, for archives made here and the damaged fixtures.
TEST_F(ArchiveCpio, EndsOfTheWalk) {
  const std::string one = newcMember(kCpioFileMode, "one", "1");
  const struct {
    const char* what;
    std::string contents;
    int code;
    std::size_t entries;
  } cases[] = {
      {"shorter than a header", one.substr(0, 109), kNotThisFormat, 0},
      {"a bare header: too short for a member", one.substr(0, 110), kDone, 0},
      {"fewer than 111 bytes after a member", one + std::string(110, '0'), kDone, 1},
      {"no trailer", one + one, kDone, 2},
      {"the trailer ends it", one + newcTrailer() + one, kDone, 1},
      {"wrong magic in mid-archive", one + "070781" + one.substr(6), kNotThisFormat, 1},
      {"a field that is not hexadecimal", one + one.substr(0, 20) + "g" + one.substr(21),
       kNotThisFormat, 1},
      {"folders and odd names",
       newcMember(kCpioFolderMode, "./d") + newcMember(kCpioFileMode, "/abs/") + newcTrailer(),
       kDone, 2},
      {"the archive's own folder and its parent are no members",
       newcMember(kCpioFolderMode, ".") + newcMember(kCpioFolderMode, "..") +
           newcMember(kCpioFolderMode, "./") + one + newcTrailer(),
       kDone, 1},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string name = "case" + std::to_string(index++);
    tree_.file(name, c.contents);
    ListingRecorder recorder;
    EXPECT_EQ(list(tree_.native(name), recorder), c.code) << c.what;
    EXPECT_EQ(recorder.entries.size(), c.entries) << c.what;
  }
  ListingRecorder odd;
  list(tree_.native("case7"), odd);
  ASSERT_EQ(odd.entries.size(), 2u);
  EXPECT_EQ(odd.entries[0].name, "d");
  EXPECT_EQ(odd.entries[0].attributes, kEntryArchive | kEntryFolder);
  EXPECT_EQ(odd.entries[1].name, "abs");
  EXPECT_EQ(odd.entries[1].attributes, kEntryArchive | kEntryFolder);

  // Cut 50 bytes into the third header; a wrong magic in the second.
  ListingRecorder truncated;
  EXPECT_EQ(list(fixture("damaged-truncated.cpio"), truncated), kDone);
  EXPECT_EQ(truncated.entries.size(), 2u);
  ListingRecorder flipped;
  EXPECT_EQ(list(fixture("damaged-flipped.cpio"), flipped), kNotThisFormat);
  EXPECT_EQ(flipped.entries.size(), 1u);
  EXPECT_EQ(extractBelow(fixture("damaged-flipped.cpio")), kNotThisFormat);
}

TEST(ArchiveCpioHeader, ReadsMembersFromMemoryWithinTheirBuffer) {
  const std::string one = newcMember(kCpioFileMode, "name.txt", "12345");
  const auto* bytes = reinterpret_cast<const uint8_t*>(one.data());
  CpioMember member;
  ASSERT_EQ(readCpioHeader(bytes, one.size(), member), CpioHeaderKind::Member);
  EXPECT_EQ(std::string(member.storedName, member.storedNameLength), "name.txt");
  EXPECT_TRUE(member.nameComplete);
  EXPECT_EQ(member.dataOffset, 120u);
  EXPECT_EQ(member.nextOffset, 128u);
  EXPECT_EQ(member.header.fileSize, 5u);

  // A buffer that ends inside the name gives what it holds and says so.
  ASSERT_EQ(readCpioHeader(bytes, 114, member), CpioHeaderKind::Member);
  EXPECT_EQ(std::string(member.storedName, member.storedNameLength), "name");
  EXPECT_FALSE(member.nameComplete);

  const std::string end = newcTrailer();
  EXPECT_EQ(readCpioHeader(reinterpret_cast<const uint8_t*>(end.data()), end.size(), member),
            CpioHeaderKind::Trailer);
  EXPECT_EQ(readCpioHeader(bytes, 109, member), CpioHeaderKind::NotCpio);
}

}  // namespace
}  // namespace ostrya::archive
