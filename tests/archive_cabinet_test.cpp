#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>

#include "archive/archive.h"
#include "archive/formats/cabinet.h"
#include "archive_fixture_tree.h"
#include "archive_image_test_support.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("cab/" + name).string();
}

class ArchiveCabinet : public testing::FixtureReaderTest<listCabinet, extractCabinet> {
 protected:
  // The cabinets of a set are found beside the first: the set is copied into the tree.
  std::string setInTree() {
    tree_.folder("set");
    for (const char* name : {"set-part1.cab", "set-part2.cab"})
      fs::copy_file(fixture(name), tree_.root() / "set" / name);
    return tree_.native("set/set-part1.cab");
  }
};

TEST_F(ArchiveCabinet, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : {"gcab-stored.cab", "gcab-mszip.cab", "mszip_lzx_qtm.cab",
                           "normal_2files_1folder.cab", "hostile-names.cab"}) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kDone) << name;
    EXPECT_EQ(testing::describedEntries(recorder.entries),
              testing::dosTimeListing(fixture(name) + ".list"))
        << name;
  }
}

// Stored, MSZIP, Quantum and LZX data; folder names kept or not.
TEST_F(ArchiveCabinet, ExtractsEveryMethodToItsBytes) {
  const auto source = testing::fixtureTreeFiles(false);
  for (const char* name : {"gcab-stored.cab", "gcab-mszip.cab"}) {
    const std::string out = std::string("out-") + name;
    ASSERT_EQ(extractBelow(fixture(name), kModeKeepFolders, out), kDone) << name;
    const auto written = testing::filesBelow(tree_.root() / out);
    EXPECT_EQ(written.size(), 4u) << name;
    for (const auto& [path, contents] : written) EXPECT_EQ(contents, source.at(path)) << path;
  }
  ASSERT_EQ(extractBelow(fixture("gcab-mszip.cab"), 0, "flat"), kDone);
  EXPECT_EQ(testing::readFile(tree_.root() / "flat" / "deepest.txt"), "deepest haystack\n");

  ASSERT_EQ(extractBelow(fixture("mszip_lzx_qtm.cab"), kModeKeepFolders, "methods"), kDone);
  const auto methods = testing::filesBelow(tree_.root() / "methods");
  ASSERT_EQ(methods.size(), 3u);
  EXPECT_EQ(methods.at("mszip.txt").size(), 57u);
  EXPECT_EQ(methods.at("lzx.txt").size(), 187u);
  EXPECT_EQ(methods.at("qtm.txt").size(), 59u);
  for (const auto& [path, contents] : methods)
    EXPECT_NE(contents.find("decompressor is working!"), std::string::npos) << path << contents;
}

// The listing takes the first cabinet alone; the extraction follows the set, once per cabinet,
// and gives the files that span cabinets whole.
TEST_F(ArchiveCabinet, ASetIsFollowedIntoItsNextCabinets) {
  const std::string first = setInTree();
  ListingRecorder recorder;
  ASSERT_EQ(list(first, recorder), kDone);
  EXPECT_EQ(testing::entryNames(recorder.entries),
            (std::vector<std::string>{"readme.txt", "haystack.txt"}));
  ASSERT_EQ(extractBelow(first), kDone);
  const auto source = testing::fixtureTreeFiles(false);
  const auto written = testing::filesBelow(tree_.root() / "out");
  ASSERT_EQ(written.size(), 3u);
  for (const auto& [path, contents] : written) EXPECT_EQ(contents, source.at(path)) << path;
}

TEST_F(ArchiveCabinet, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const auto written = extractHostile(fixture("hostile-names.cab"));
  EXPECT_EQ(written.size(), 7u);
  for (const auto& [name, contents] : written)
    EXPECT_EQ(contents.rfind("hostile entry ", 0), 0u) << name;
}

// A cabinet cut short is no cabinet; a file whose data does not decode is removed and its code
// is the result, while the files of other folders still come out.
TEST_F(ArchiveCabinet, DamagedCabinetsEndWithTheirCodesAndLeaveNoPartialFile) {
  ListingRecorder recorder;
  EXPECT_EQ(list(fixture("damaged-truncated.cab"), recorder), kNotThisFormat);
  EXPECT_EQ(extractBelow(fixture("damaged-truncated.cab"), kModeKeepFolders, "cut"),
            kNotThisFormat);
  EXPECT_EQ(extractBelow(fixture("damaged-flipped.cab"), kModeKeepFolders, "flipped"),
            kDamagedData);
  for (const auto& [path, contents] : testing::filesBelow(tree_.root() / "flipped"))
    EXPECT_EQ(contents, testing::fixtureTreeFiles(false).at(path)) << path;
}

TEST_F(ArchiveCabinet, StopAndAbortEndTheExtraction) {
  host_.overwriteAnswer = kStopExtraction;
  EXPECT_EQ(extractBelow(fixture("gcab-stored.cab"), kModeKeepFolders, "stopped"), kDone);
  EXPECT_TRUE(testing::filesBelow(tree_.root() / "stopped").empty());
  host_.overwriteAnswer = 0;

  std::atomic<uint32_t> abort{1};
  const std::string target = tree_.native("scratch.tmp");
  EXPECT_EQ(testing::extractToTarget(host_, fixture("gcab-stored.cab"), target, kCab, &abort),
            kDone);
  EXPECT_TRUE(host_.extractedContents.empty());
  host_.expectNoLeaks("aborted");
}

// The content search gets each file at the target path, one after another.
TEST_F(ArchiveCabinet, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string target = tree_.native("scratch.tmp");
  ASSERT_EQ(testing::extractToTarget(host_, fixture("gcab-mszip.cab"), target, kCab), kDone);
  ASSERT_EQ(host_.extractedContents.size(), 4u);
  EXPECT_EQ(host_.extractedContents[1], testing::fixtureHaystack());
}

}  // namespace
}  // namespace ostrya::archive
