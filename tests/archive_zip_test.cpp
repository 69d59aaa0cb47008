#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/formats/zip.h"
#include "archive/unix_time.h"
#include "archive_fixture_tree.h"
#include "archive_image_test_support.h"
#include "zip_writer.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::crcOf;
using testing::ListingRecorder;
using testing::Member;
using testing::put16;
using testing::put32;
using testing::zipOf;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("zip/" + name).string();
}

// The source tree's files by the names the program gives them.
std::map<std::string, std::string> sourceFiles() {
  std::map<std::string, std::string> files;
  for (const auto& [name, contents] : testing::fixtureTreeFiles(true))
    files[testing::fileNameOfUtf8(name)] = contents;
  return files;
}

class ArchiveZip : public testing::FixtureReaderTest<listZip, extractZip> {
 protected:
  std::string made(const std::string& name, const std::string& contents) {
    tree_.file(name, contents);
    return tree_.native(name);
  }
};

const char* const kGoodFixtures[] = {"info-zip-stored.zip",
                                     "info-zip-deflate.zip",
                                     "sfx-unadjusted.zip",
                                     "sfx-adjusted.zip",
                                     "7z-bzip2.zip",
                                     "7z-lzma.zip",
                                     "7z-deflate64.zip",
                                     "python-descriptors.zip",
                                     "zstd-xz.zip",
                                     "zip64.zip",
                                     "legacy-shrink.zip",
                                     "legacy-reduce1.zip",
                                     "legacy-reduce2.zip",
                                     "legacy-reduce3.zip",
                                     "legacy-reduce4.zip",
                                     "legacy-implode.zip",
                                     "legacy-implode-8k.zip",
                                     "legacy-implode-tree.zip",
                                     "legacy-implode-tree-8k.zip"};

TEST_F(ArchiveZip, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : kGoodFixtures) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kDone) << name;
    EXPECT_EQ(testing::describedEntries(recorder.entries),
              testing::dosTimeListing(fixture(name) + ".list"))
        << name;
  }
}

// Stored, deflate, deflate64, bzip2, LZMA with and without its end marker, zstd, xz, shrink,
// reduce (every factor) and implode (every variant), behind stubs and data descriptors: every
// file comes out as the source tree holds it.
TEST_F(ArchiveZip, ExtractsEveryFixtureToTheSourceBytes) {
  const auto source = sourceFiles();
  int folder = 0;
  for (const char* name : kGoodFixtures) {
    const std::string out = "out" + std::to_string(folder++);
    ASSERT_EQ(extractBelow(fixture(name), kModeKeepFolders, out), kDone) << name;
    const auto written = testing::filesBelow(tree_.root() / out);
    EXPECT_GE(written.size(), 2u) << name;
    for (const auto& [path, contents] : written) {
      ASSERT_TRUE(source.count(path)) << name << ": " << path;
      EXPECT_EQ(contents, source.at(path)) << name << ": " << path;
    }
  }
  EXPECT_EQ(testing::filesBelow(tree_.root() / "out1"), source);
  EXPECT_TRUE(fs::is_directory(tree_.root() / "out1" / "empty"));
}

TEST_F(ArchiveZip, FlatExtractionMakesNoFolders) {
  ASSERT_EQ(extractBelow(fixture("info-zip-deflate.zip"), 0), kDone);
  for (const auto& item : fs::directory_iterator(tree_.root() / "out"))
    EXPECT_TRUE(item.is_regular_file()) << item.path();
  EXPECT_EQ(testing::readFile(tree_.root() / "out" / "deepest.txt"), "deepest haystack\n");
}

TEST_F(ArchiveZip, NamesInTheOemCodePageOrInUtf8) {
  ListingRecorder recorder;
  ASSERT_EQ(list(fixture("oem-and-utf8-names.zip"), recorder), kDone);
  ASSERT_EQ(recorder.entries.size(), 3u);
  EXPECT_EQ(recorder.entries[0].name, testing::fileNameOfUtf8("Grüße.txt"));
  EXPECT_EQ(recorder.entries[1].name, testing::fileNameOfUtf8("ÄÖÜ.txt"));
  EXPECT_EQ(recorder.entries[2].name, testing::fileNameOfUtf8("Grüße ñandú.txt"));

  // A Unicode path field whose check value fits the stored name wins over it.
  std::string field = "\x01";
  put32(field, crcOf("old.txt"));
  field += "new-\xc3\xa9.txt";
  std::string extra;
  put16(extra, 0x7075);
  put16(extra, static_cast<uint32_t>(field.size()));
  Member fitting{"old.txt", "x"};
  fitting.centralExtra = extra + field;
  Member stale{"other.txt", "y"};
  stale.centralExtra = extra + field;
  ListingRecorder unicode;
  ASSERT_EQ(list(made("unicode.zip", zipOf({fitting, stale})), unicode), kDone);
  EXPECT_EQ(testing::entryNames(unicode.entries),
            (std::vector<std::string>{testing::fileNameOfUtf8("new-é.txt"), "other.txt"}));
}

// Names that climb, are absolute, name a drive, a server or a device, or hide '\' separators
// all land inside; the one too long for a path is passed over.
TEST_F(ArchiveZip, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const auto written = extractHostile(fixture("hostile-names.zip"));
  EXPECT_EQ(written.size(), 10u);
  for (const auto& [name, contents] : written) {
    EXPECT_EQ(contents.rfind("hostile entry ", 0), 0u) << name;
    EXPECT_EQ(contents.find("three-hundred"), std::string::npos) << name;
  }
  EXPECT_TRUE(written.count("escape.txt"));
  EXPECT_TRUE(written.count("a/back.txt"));
  EXPECT_TRUE(written.count("_CON"));
  EXPECT_TRUE(written.count("sub/_nul.txt"));
}

// An entry that cannot be extracted is passed over with its code; the others still come out,
// and a damaged entry leaves no file behind.
TEST_F(ArchiveZip, EntriesThatCannotBeExtractedArePassedOverWithTheirCode) {
  Member encrypted{"secret.txt", std::string(12, 'k') + "cipher"};
  encrypted.flags = 1;
  Member aes{"aes.txt", "cipher"};
  aes.method = 99;
  aes.packed = "cipher";
  const std::string encryptedZip =
      made("encrypted.zip", zipOf({encrypted, {"plain.txt", "plain needle\n"}, aes}));
  // An LZMA entry that states 600 MiB of data and of dictionary asks for more decoder memory
  // than an entry is granted: passed over like a method not decoded.
  Member greedy{"greedy.txt", "x"};
  greedy.method = 14;
  greedy.packed = std::string("\x09\x14\x05\x00\x5D\x00\x00\x80\x25", 9) + "lzma data";
  std::string greedyZip = zipOf({greedy, {"plain.txt", "plain needle\n"}});
  greedyZip.replace(greedyZip.find(std::string("PK\x01\x02", 4)) + 24, 4,
                    std::string("\x00\x00\x80\x25", 4));
  greedyZip = made("greedy.zip", greedyZip);
  const struct {
    std::string path;
    int code;
    std::set<std::string> files;
  } cases[] = {
      {fixture("ppmd.zip"), kUnsupportedMethod, {"plain.txt"}},
      {fixture("bomb.zip"), kDamagedData, {}},
      {encryptedZip, kEncrypted, {"plain.txt"}},
      {greedyZip, kUnsupportedMethod, {"plain.txt"}},
      {fixture("damaged-crc.zip"), kDamagedData, {"haystack.txt", "notes with blank.txt"}},
      {fixture("damaged-truncated.zip"), kNotThisFormat, {}},
  };
  int folder = 0;
  for (const auto& c : cases) {
    const std::string out = "out" + std::to_string(folder++);
    EXPECT_EQ(extractBelow(c.path, kModeKeepFolders, out), c.code) << c.path;
    const auto written = testing::filesBelow(tree_.root() / out);
    for (const std::string& file : c.files) EXPECT_TRUE(written.count(file)) << c.path << file;
    EXPECT_FALSE(written.count("readme.txt")) << c.path;
    EXPECT_FALSE(written.count("bomb.txt")) << c.path;
  }

  ListingRecorder recorder;
  ASSERT_EQ(list(encryptedZip, recorder), kDone);
  ASSERT_EQ(recorder.entries.size(), 3u);
  EXPECT_EQ(recorder.entries[0].flag, kEncryptedFlag);
  EXPECT_EQ(recorder.entries[1].flag, ' ');
  EXPECT_EQ(recorder.entries[2].flag, kEncryptedFlag);
}

// A bomb stops at its stated size: no more than 1000 bytes are ever written.
TEST_F(ArchiveZip, ADecoderNeverWritesBeyondTheStatedSize) {
  EXPECT_EQ(extractBelow(fixture("bomb.zip")), kDamagedData);
  uint32_t total = 0;
  for (uint32_t count : host_.progress) total += count;
  EXPECT_LE(total, 1000u);
}

TEST_F(ArchiveZip, AnExistingOutputIsReplacedSkippedOrEndsTheExtraction) {
  const std::string archive =
      made("two.zip", zipOf({{"first.txt", "new first\n"}, {"second.txt", "new second\n"}}));
  const struct {
    int answer;
    std::string first;
    std::string second;
  } cases[] = {
      {kReplaceAll, "new first\n", "new second\n"},
      {kSkipEntry, "old\n", "old\n"},
      {kStopExtraction, "old\n", "old\n"},
  };
  for (const auto& c : cases) {
    tree_.file("out/first.txt", "old\n");
    tree_.file("out/second.txt", "old\n");
    host_.replaceAnswer = c.answer;
    host_.calls.clear();
    EXPECT_EQ(extractBelow(archive), kDone);
    EXPECT_EQ(testing::readFile(tree_.root() / "out" / "first.txt"), c.first);
    EXPECT_EQ(testing::readFile(tree_.root() / "out" / "second.txt"), c.second);
    // Replacing all asks once; stopping asks once and ends.
    const auto asked = std::count_if(host_.calls.begin(), host_.calls.end(), [](const auto& call) {
      return call.rfind("ConfirmReplace", 0) == 0;
    });
    EXPECT_EQ(asked, c.answer == kSkipEntry ? 2 : 1) << c.answer;
  }
}

// The extended timestamp holds UTC and wins over the DOS fields; sizes and offsets of all ones
// come from the ZIP64 field, which must then be there.
TEST_F(ArchiveZip, ExtendedTimesAndZip64FieldsOfTheCentralDirectory) {
  std::string extended;
  put16(extended, 0x5455);
  put16(extended, 5);
  extended += '\x01';
  put32(extended, 1600000000);
  Member timed{"timed.txt", "t"};
  timed.centralExtra = extended;
  ListingRecorder recorder;
  ASSERT_EQ(list(made("timed.zip", zipOf({timed})), recorder), kDone);
  uint16_t date = 0;
  uint16_t time = 0;
  unixTimeToDos(1600000000, date, time);
  ASSERT_EQ(recorder.entries.size(), 1u);
  EXPECT_EQ(recorder.entries[0].dosDate, date);
  EXPECT_EQ(recorder.entries[0].dosTime, time);
  // The field is signed: a day in 1969 is no date after 2100.
  extended.replace(5, 4, std::string("\x80\xAE\xFE\xFF", 4));  // -86400
  timed.centralExtra = extended;
  ListingRecorder early;
  ASSERT_EQ(list(made("early.zip", zipOf({timed})), early), kDone);
  ASSERT_EQ(early.entries.size(), 1u);
  EXPECT_LT(early.entries[0].dosDate >> 9, 20) << early.entries[0].dosDate;

  // All ones in the central sizes without a ZIP64 field: damage, after the entries before.
  std::string archive = zipOf({{"good.txt", "g"}, {"bad.txt", "b"}});
  const std::size_t secondCentral = archive.rfind(std::string("PK\x01\x02", 4));
  archive.replace(secondCentral + 24, 4, std::string(4, '\xFF'));
  ListingRecorder damaged;
  EXPECT_EQ(list(made("no64.zip", archive), damaged), kDamagedData);
  EXPECT_EQ(testing::entryNames(damaged.entries), std::vector<std::string>{"good.txt"});
}

// The content search gets every file at the target's folder, named as stored, and deletes it.
TEST_F(ArchiveZip, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string target = tree_.native("scratch/entry");
  ASSERT_EQ(testing::extractToTarget(host_, fixture("info-zip-stored.zip"), target, kZip), kDone);
  host_.expectNoLeaks("to target");
  std::multiset<std::string> contents(host_.extractedContents.begin(),
                                      host_.extractedContents.end());
  std::multiset<std::string> expected;
  for (const auto& [name, data] : testing::fixtureTreeFiles(false)) expected.insert(data);
  EXPECT_EQ(contents, expected);
}

TEST_F(ArchiveZip, AnAbortStopsBeforeTheNextEntry) {
  std::atomic<uint32_t> abort{1};
  const std::string target = tree_.native("scratch/entry");
  EXPECT_EQ(testing::extractToTarget(host_, fixture("info-zip-stored.zip"), target, kZip, &abort),
            kDone);
  EXPECT_TRUE(host_.extractedContents.empty());
}

}  // namespace
}  // namespace ostrya::archive
