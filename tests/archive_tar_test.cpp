#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/formats/tar.h"
#include "archive_fixture_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

// A member as GNU tar writes it: a header with octal numbers and a right checksum, then the
// data padded to whole blocks. POSIX ustar magic unless told otherwise.
std::string member(const std::string& name, char type, const std::string& data = "",
                   const std::string& prefix = "",
                   const std::string& magic = std::string("ustar\0"
                                                          "00",
                                                          8)) {
  std::string block(512, '\0');
  block.replace(0, std::min<std::size_t>(name.size(), 100), name.substr(0, 100));
  block.replace(100, 7, "0000644");
  char number[13];
  std::snprintf(number, sizeof number, "%011o", static_cast<unsigned>(data.size()));
  block.replace(124, 11, number);
  std::snprintf(number, sizeof number, "%011o", 1600000000u);
  block.replace(136, 11, number);
  block[156] = type;
  block.replace(257, magic.size(), magic);
  block.replace(345, prefix.size(), prefix);
  block.replace(148, 8, 8, ' ');
  unsigned sum = 0;
  for (unsigned char c : block) sum += c;
  std::snprintf(number, sizeof number, "%06o", sum);
  block.replace(148, 7, std::string(number, 7));
  std::string padded = data;
  padded.resize((data.size() + 511) / 512 * 512, '\0');
  return block + padded;
}

std::string paxHeader(const std::string& key, const std::string& value) {
  const std::string body = " " + key + "=" + value + "\n";
  std::size_t length = body.size() + 1;
  while (std::to_string(length).size() + body.size() != length) ++length;
  return member("PaxHeaders/x", 'x', std::to_string(length) + body);
}

std::string endBlocks() {
  return std::string(1024, '\0');
}

class ArchiveTar : public testing::FixtureReaderTest<listTar, extractTar> {
 protected:
  std::vector<std::string> namesOf(const std::string& contents) {
    tree_.file("made.tar", contents);
    ListingRecorder recorder;
    list(tree_.native("made.tar"), recorder);
    return testing::entryNames(recorder.entries);
  }
};

std::string fixture(const std::string& name) {
  return testing::archiveFixture("tar/" + name).string();
}

TEST_F(ArchiveTar, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : {"plain-ustar.tar", "plain-gnu.tar", "long-path-ustar.tar",
                           "long-path-gnu.tar", "long-path-pax.tar", "v7-blank-padded.tar"})
    // Every fixture ends with zero blocks, where a listing stops.
    expectIndependentListing(fixture(name), kNotThisFormat);
}

// The mode's fourth character decides, as the format's first readers did: GNU tar's "0000644"
// has a '0' there, an old blank-padded "   644 " a '6'.
TEST_F(ArchiveTar, ReadOnlyFromTheModeFieldsFourthCharacter) {
  ListingRecorder gnu;
  list(fixture("plain-gnu.tar"), gnu);
  for (const auto& entry : gnu.entries)
    EXPECT_TRUE(entry.attributes & kEntryReadOnly) << entry.name;
  ListingRecorder v7;
  list(fixture("v7-blank-padded.tar"), v7);
  ASSERT_EQ(v7.entries.size(), 3u);
  EXPECT_EQ(v7.entries[0].attributes, 0u);
  EXPECT_EQ(v7.entries[1].attributes, kEntryFolder);
  EXPECT_EQ(v7.entries[2].attributes, kEntryReadOnly);
}

TEST_F(ArchiveTar, NamesFromPrefixLongNameAndPaxRecords) {
  const std::string longName = "deep/" + std::string(300, 'n');
  const std::string huge(5000, 'h');
  const struct {
    const char* what;
    std::string contents;
    std::vector<std::string> names;
  } cases[] = {
      {"ustar prefix", member("file.txt", '0', "x", "dir/sub"), {"dir\\sub\\file.txt"}},
      {"GNU magic keeps other fields where the prefix would be",
       member("file.txt", '0', "x", "not-a-prefix", "ustar  "),
       {"file.txt"}},
      {"GNU long name, cut to a path buffer",
       member("././@LongLink", 'L', longName + '\0') + member("cut", '0', "x"),
       {"deep\\" + std::string(254, 'n')}},
      {"a long name longer than is kept",
       member("././@LongLink", 'L', huge) + member("cut", '0'),
       {std::string(259, 'h')}},
      {"pax path over long name",
       member("././@LongLink", 'L', std::string("long") + '\0') + paxHeader("path", "pax/name") +
           member("header", '0'),
       {"pax\\name"}},
      {"records apply to one member",
       paxHeader("path", "first") + member("one", '0') + member("two", '0'),
       {"first", "two"}},
      {"global header and long link name passed over",
       member("pax_global_header", 'g', "20 comment=ignored\n") +
           member("././@LongLink", 'K', "target") + member("plain", '0'),
       {"plain"}},
      {"a malformed pax record is ignored",
       member("x", 'x', "99 path=never\n") + member("kept", '0'),
       {"kept"}},
      {"one leading separator dropped",
       member("/abs/x", '0') + member("//two", '0'),
       {"abs\\x", "\\two"}},
      {"folders by type or trailing slash, links and devices not reported",
       member("dir", '5') + member("old/", '\0') + member("link", '2') + member("device", '3'),
       {"dir\\", "old\\"}},
  };
  for (const auto& c : cases) EXPECT_EQ(namesOf(c.contents + endBlocks()), c.names) << c.what;
}

TEST_F(ArchiveTar, ExtractsEachFixtureBelowAnOutputFolder) {
  for (const char* name : {"plain-ustar.tar", "plain-gnu.tar", "long-path-ustar.tar",
                           "long-path-gnu.tar", "long-path-pax.tar"}) {
    fs::remove_all(tree_.root() / "out");
    // Zero blocks are passed over to the end of the file.
    EXPECT_EQ(extractBelow(fixture(name)), kDone) << name;
    const bool longPath = std::string(name).find("long") != std::string::npos;
    EXPECT_EQ(testing::filesBelow(tree_.root() / "out"), testing::fixtureTreeFiles(longPath))
        << name;
    EXPECT_TRUE(fs::is_directory(tree_.root() / "out" / "empty")) << name;
  }
}

// Attributes that cannot be given back end a tar extraction with their own code; the read-only
// file is the one whose attributes are asked for with bit 0x01.
TEST_F(ArchiveTar, AttributesThatCannotBeSetEndTheExtraction) {
  EXPECT_EQ(extractBelow(fixture("plain-ustar.tar")), kDone);
  bool readOnlyAsked = false;
  for (const std::string& call : host_.callsOf("SetAttributes "))
    readOnlyAsked |= call.find("read-only.txt 1") != std::string::npos;
  EXPECT_TRUE(readOnlyAsked);
  fs::remove_all(tree_.root() / "out");
  host_.failSetAttributes = true;
  EXPECT_EQ(extractBelow(fixture("plain-ustar.tar")), kAttributesNotSet);
}

// Without the stored folders every file lands in the output folder itself, and no folder is
// made, also for a folder stored without its trailing separator.
TEST_F(ArchiveTar, FlatExtractionMakesNoFolders) {
  tree_.file("flat.tar", member("dir", '5') + member("dir/file", '0', "x") + endBlocks());
  EXPECT_EQ(extractBelow(tree_.native("flat.tar"), 0), kDone);
  EXPECT_EQ(testing::filesBelow(tree_.root() / "out"),
            (std::map<std::string, std::string>{{"file", "x"}}));
  EXPECT_FALSE(fs::exists(tree_.root() / "out" / "dir"));
}

TEST_F(ArchiveTar, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const std::string path = fixture("hostile-names.tar");
  // Seven short names land inside; the 300-character one does not fit a path and is skipped.
  const auto written = extractHostile(path);
  EXPECT_EQ(written.size(), 7u);
  for (const auto& [name, contents] : written)
    EXPECT_EQ(contents.find("three-hundred"), std::string::npos) << name;

  ListingRecorder recorder;
  list(path, recorder);
  ASSERT_EQ(recorder.entries.size(), 8u);
  EXPECT_EQ(recorder.entries[2].name, "abs.txt");
  EXPECT_EQ(recorder.entries[7].name,
            std::string("three-hundred-characters-") + std::string(259 - 25, 'x'));
}

// The containing-text search reads each entry from the target path as it is written, the long
// names included.
TEST_F(ArchiveTar, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string path = fixture("hostile-names.tar");
  EXPECT_EQ(testing::extractToTarget(host_, path, tree_.native("entry.tmp"), kTar), kDone);
  const std::vector<std::string> names = {
      "safe.txt",       "../escape.txt",
      "/abs.txt",       "C:\\drive.txt",
      "a/../../up.txt", "CON",
      "aux.txt",        "three-hundred-characters-" + std::string(271, 'x') + ".txt"};
  ASSERT_EQ(host_.extractedContents.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(host_.extractedContents[i], testing::hostileBody(names[i]));
  host_.expectNoLeaks(path);
}

TEST_F(ArchiveTar, SelectionAbortAndCutData) {
  const std::string target = tree_.native("one.tmp");
  const std::string path = fixture("plain-ustar.tar");
  ExtractionRequest request;
  request.archivePath = path.c_str();
  request.targetPath = target.c_str();
  request.singleEntry = "sub\\inner.txt";
  EXPECT_EQ(extractTar(request, host_.services), kDone);
  EXPECT_EQ(host_.extractedContents, std::vector<std::string>{"inner needle\n"});

  const std::atomic<uint32_t> abort{1};
  request.singleEntry = nullptr;
  request.abortFlag = &abort;
  EXPECT_EQ(extractTar(request, host_.services), kDone);
  EXPECT_EQ(host_.extractedContents.size(), 1u);

  // The data runs past the end of the file: what is there is written, without an error.
  std::string cut = member("cut.txt", '0', std::string(600, 'c'));
  cut.resize(512 + 200);
  tree_.file("cut.tar", cut);
  EXPECT_EQ(extractBelow(tree_.native("cut.tar")), kDone);
  EXPECT_EQ(testing::readFile(tree_.root() / "out" / "cut.txt"), std::string(200, 'c'));
}

TEST_F(ArchiveTar, DamagedArchivesKeepWhatCameBeforeAndLeakNothing) {
  const struct {
    const char* name;
    int listed;
    int extracted;
    std::size_t entriesBefore;
  } cases[] = {
      // Cut inside the second header: the walk ends at the short block.
      {"damaged-truncated.tar", kDone, kDone, 1},
      // The second header fails the header test.
      {"damaged-flipped.tar", kNotThisFormat, kNotThisFormat, 1},
  };
  for (const auto& c : cases) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(c.name), recorder), c.listed) << c.name;
    EXPECT_EQ(recorder.entries.size(), c.entriesBefore) << c.name;
    EXPECT_EQ(extractBelow(fixture(c.name)), c.extracted) << c.name;
  }
  host_.failWrites = true;
  EXPECT_EQ(extractBelow(fixture("plain-ustar.tar")), kWriteFailed);
}

}  // namespace
}  // namespace ostrya::archive
