#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>

#include "archive/archive.h"
#include "archive/formats/cabinet.h"
#include "archive_fixture_tree.h"
#include "archive_image_test_support.h"
#include "zip_writer.h"

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
    for (const char* name : {"set-disk1.cab", "set-disk2.cab"})
      fs::copy_file(fixture(name), tree_.root() / "set" / name);
    return tree_.native("set/set-disk1.cab");
  }
};

// A cabinet whose previous and next cabinet are both itself, with one file in a folder that
// goes on in both.
std::string selfContinuedCabinet(const std::string& name) {
  using testing::put16;
  using testing::put32;
  const std::string links = name + '\0' + "disk" + '\0' + name + '\0' + "disk" + '\0';
  const std::string body = "sixteen bytes...";
  std::string file;
  put32(file, static_cast<uint32_t>(body.size()));
  put32(file, 0);
  put16(file, 0xFFFF);  // continued from the previous cabinet and into the next
  put16(file, 0x5021);
  put16(file, 0);
  put16(file, 0x20);
  file += std::string("loop.txt") + '\0';
  const auto filesAt = static_cast<uint32_t>(36 + links.size() + 8);
  const auto dataAt = static_cast<uint32_t>(filesAt + file.size());
  std::string folder;
  put32(folder, dataAt);
  put16(folder, 1);
  put16(folder, 0);
  std::string data;
  put32(data, 0);
  put16(data, static_cast<uint32_t>(body.size()));
  put16(data, static_cast<uint32_t>(body.size()));
  data += body;
  std::string header = "MSCF";
  put32(header, 0);
  put32(header, static_cast<uint32_t>(dataAt + data.size()));
  put32(header, 0);
  put32(header, filesAt);
  put32(header, 0);
  header += '\x03';
  header += '\x01';
  put16(header, 1);       // folders
  put16(header, 1);       // files
  put16(header, 3);       // a previous and a next cabinet
  put16(header, 0x4321);  // the set
  put16(header, 1);       // the index in it
  return header + links + folder + file + data;
}

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

  // A cabinet in the middle of a set that names itself as the previous and the next one, its
  // folder going on in both, is not followed round (without the set's index to go by, the
  // engine joined it to itself some 65535 times, for minutes).
  tree_.folder("loop");
  tree_.file("loop/loop.cab", selfContinuedCabinet("loop.cab"));
  host_.calls.clear();
  extractBelow(tree_.native("loop/loop.cab"), kModeKeepFolders, "loop-out");
  EXPECT_LE(host_.callsOf("ConfirmOverwrite").size(), 1u);
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
