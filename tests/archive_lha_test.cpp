#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "archive/crc16.h"
#include "archive/formats/lha.h"
#include "archive/unix_time.h"
#include "archive_fixture_tree.h"
#include "archive_image_test_support.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("lha/" + name).string();
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Header levels 0 and 1 keep local DOS times, shown by the independent reader as stored (a DOS
// date of 0 as 1979-12-31); levels 2 and 3 keep Unix times, shown in UTC. OS/2 LHA keeps a
// second set of times in an extended header, which the independent reader shows instead of
// the header's own: only names and sizes are compared there.
enum class Stamps { Dos, Unix, OtherTimes };

struct LhaFixture {
  const char* name;
  Stamps stamps;
};

// Every fixture the independent reader lists and extracts: jLHA's header levels and methods,
// and lhasa's test archives for the older methods, level 3 and self-extracting programs.
constexpr LhaFixture kFixtures[] = {
    {"jlha-h0-lh5.lzh", Stamps::Dos},
    {"jlha-h1-lh5.lzh", Stamps::Dos},
    {"jlha-h2-lh5.lzh", Stamps::Unix},
    {"jlha-h1-lh0.lzh", Stamps::Dos},
    {"jlha-h1-lh6.lzh", Stamps::Dos},
    {"jlha-h2-lh7.lzh", Stamps::Unix},
    {"lharc113-lh1.lzh", Stamps::Dos},
    {"amiga122-lh4.lzh", Stamps::Dos},
    {"larc333-lz4.lzs", Stamps::Dos},
    {"larc333-lz5.lzs", Stamps::Dos},
    {"pmarc2-pm0.pma", Stamps::Dos},
    {"pmarc124-pm1.pma", Stamps::Dos},
    {"pmarc2-pm2.pma", Stamps::Dos},
    {"os2-h3-lh5.lzh", Stamps::OtherTimes},
    {"os2-h3-subdir.lzh", Stamps::OtherTimes},
    {"lha255e-sfx.exe", Stamps::Dos},
    {"x68k-sfx.x", Stamps::Dos},
};

// lhasa lower-cases the names DOS archivers stored all in capitals, so names compare without
// regard to case.
std::multiset<std::string> expectedListing(const LhaFixture& fixture) {
  std::multiset<std::string> expected;
  const bool timed = fixture.stamps != Stamps::OtherTimes;
  const std::string list = testing::archiveFixture(std::string("lha/") + fixture.name).string();
  for (const testing::ListedEntry& entry : testing::readListing(list + ".list")) {
    const bool folder = entry.name.back() == '/';
    uint16_t date = 0;
    uint16_t time = 0;
    if (fixture.stamps == Stamps::Unix) {
      unixTimeToDos(testing::utcSeconds(entry.time), date, time);
    } else if (entry.time != "1979-12-31 00:00:00") {
      unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
      std::sscanf(entry.time.c_str(), "%u-%u-%u %u:%u:%u", &year, &month, &day, &hour, &minute,
                  &second);
      date = static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
      time = static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
    }
    expected.insert(
        testing::describeEntry(lowered(entry.name.substr(0, entry.name.size() - folder)), folder,
                               folder ? 0 : static_cast<uint32_t>(std::stoul(entry.size)),
                               timed ? date : 0, timed ? time : 0, false));
  }
  return expected;
}

std::multiset<std::string> reportedListing(const std::vector<testing::ReportedEntry>& entries,
                                           bool timed) {
  std::multiset<std::string> reported;
  for (const testing::ReportedEntry& entry : entries) {
    const bool folder = (entry.attributes & kEntryFolder) != 0;
    reported.insert(testing::describeEntry(lowered(entry.name), folder, folder ? 0 : entry.size,
                                           timed ? entry.dosDate : 0, timed ? entry.dosTime : 0,
                                           false));
  }
  return reported;
}

// Lower-cased path -> CRC-32 of what the independent reader extracted. Windows drops a name's
// trailing dots, and so does the output rule ("GPL-2." is written as "gpl-2").
std::map<std::string, uint32_t> expectedContents(const std::string& name) {
  std::map<std::string, uint32_t> contents;
  for (const auto& [listed, crc] : testing::independentCrcs(fixture(name) + ".crc")) {
    std::string path = lowered(listed);
    while (path.back() == '.') path.pop_back();
    contents[path] = crc;
  }
  return contents;
}

std::map<std::string, uint32_t> writtenContents(const fs::path& folder) {
  std::map<std::string, uint32_t> written;
  for (const auto& [path, crc] : testing::crcsOf(testing::filesBelow(folder)))
    written[lowered(path)] = crc;
  return written;
}

// A level 0 header with stored data, as LHA for DOS wrote them: length and checksum bytes, the
// method, sizes, DOS time and date, attributes, level, name and the data's CRC-16.
std::string level0Entry(const std::string& name, const std::string& data,
                        const char* method = "-lh0-", uint32_t statedSize = 0) {
  const auto le = [](uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
  };
  const uint32_t size = statedSize ? statedSize : static_cast<uint32_t>(data.size());
  const uint16_t crc = crc16Update(0, reinterpret_cast<const uint8_t*>(data.data()), data.size());
  const std::string body = std::string(method) + le(size, 4) + le(size, 4) + le(0x5A6B, 2) +
                           le(0x5321, 2) + le(0x20, 1) + le(0, 1) + le(name.size(), 1) + name +
                           le(crc, 2);
  uint8_t sum = 0;
  for (char c : body) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  return std::string(1, static_cast<char>(body.size())) + static_cast<char>(sum) + body + data;
}

using ArchiveLha = testing::FixtureReaderTest<listLha, extractLha>;

TEST_F(ArchiveLha, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const LhaFixture& entry : kFixtures) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(entry.name), recorder), kDone) << entry.name;
    EXPECT_EQ(reportedListing(recorder.entries, entry.stamps != Stamps::OtherTimes),
              expectedListing(entry))
        << entry.name;
  }
  // The header's own time of OS/2 LHA's level 3 folder: 2011-12-03 21:47:56 UTC.
  ListingRecorder os2;
  EXPECT_EQ(list(fixture("os2-h3-subdir.lzh"), os2), kDone);
  uint16_t date = 0;
  uint16_t time = 0;
  unixTimeToDos(1322948876, date, time);
  ASSERT_EQ(os2.entries.size(), 3u);
  EXPECT_EQ(os2.entries[0].name, "subdir");
  EXPECT_EQ(os2.entries[0].dosDate, date);
  EXPECT_EQ(os2.entries[0].dosTime, time);
  // The independent reader does not know -lzs-: the header as LArc's successors wrote it.
  ListingRecorder lzs;
  EXPECT_EQ(list(fixture("lzs.lzs"), lzs), kDone);
  ASSERT_EQ(lzs.entries.size(), 1u);
  EXPECT_EQ(lowered(lzs.entries[0].name), "gpl-2");
  EXPECT_EQ(lzs.entries[0].size, 18092u);
  EXPECT_EQ(lzs.entries[0].dosDate, (2010 - 1980) << 9 | 5 << 5 | 6);
  EXPECT_EQ(lzs.entries[0].dosTime, 23 << 11 | 17 << 5 | 54 / 2);
}

// Every method the table holds, every header level, behind self-extracting stubs: each file
// comes out with the bytes the independent reader gives, folders as folders.
TEST_F(ArchiveLha, ExtractsEachFixtureToTheIndependentReadersBytes) {
  int folder = 0;
  std::vector<std::string> names = {"lzs.lzs"};
  for (const LhaFixture& entry : kFixtures) names.push_back(entry.name);
  for (const std::string& name : names) {
    const std::string out = "out" + std::to_string(folder++);
    EXPECT_EQ(extractBelow(fixture(name), kModeKeepFolders, out), kDone) << name;
    const auto expected = expectedContents(name);
    EXPECT_FALSE(expected.empty()) << name;
    EXPECT_EQ(writtenContents(tree_.root() / out), expected) << name;
  }
  EXPECT_TRUE(fs::is_directory(tree_.root() / "out0"));
  EXPECT_TRUE(fs::is_directory(tree_.root() / "out1" / "empty"));
}

TEST_F(ArchiveLha, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string path = fixture("jlha-h2-lh7.lzh");
  EXPECT_EQ(testing::extractToTarget(host_, path, tree_.native("entry.tmp"), kLha), kDone);
  ASSERT_EQ(host_.extractedContents.size(), 6u);
  EXPECT_EQ(std::count(host_.extractedContents.begin(), host_.extractedContents.end(),
                       testing::fixtureHaystack()),
            1);
  EXPECT_EQ(host_.callsOf("OnEntryExtracted").size(), 6u);
  host_.expectNoLeaks(path);
}

// Only a name of a self-extracting program makes the reader look behind a stub, and only in
// its first 4096 bytes; anywhere else the archive must begin at the start.
TEST_F(ArchiveLha, LooksBehindAStubOnlyForProgramNames) {
  const std::string stub = "MZ" + std::string(1198, '\x90');
  const std::string archive = level0Entry("inner.txt", "needle\n") + std::string(1, '\0');
  const std::string farStub = "MZ" + std::string(4094, '\x90');
  const struct {
    const char* name;
    std::string contents;
    int code;
    std::size_t entries;
  } cases[] = {
      {"sfx.EXE", stub + archive, kDone, 1},
      {"sfx.com", stub + archive, kDone, 1},
      {"sfx.X", stub + archive, kDone, 1},
      {"sfx.lzh", stub + archive, kNotThisFormat, 0},
      {"sfx.exe.txt", stub + archive, kNotThisFormat, 0},
      {"far.exe", farStub + "MZ" + archive, kNotThisFormat, 0},
      {"plain.exe", archive, kDone, 1},
  };
  for (const auto& c : cases) {
    tree_.file(c.name, c.contents);
    ListingRecorder recorder;
    EXPECT_EQ(list(tree_.native(c.name), recorder), c.code) << c.name;
    EXPECT_EQ(recorder.entries.size(), c.entries) << c.name;
  }
}

// Where a walk ends and with what, for archives made here.
TEST_F(ArchiveLha, EndsOfTheWalk) {
  const std::string one = level0Entry("one.txt", "1");
  const std::string two = level0Entry("sub\\two.txt", "22");
  const struct {
    const char* what;
    std::string contents;
    int code;
    std::size_t entries;
  } cases[] = {
      {"nothing but the end marker", std::string(1, '\0'), kDone, 0},
      {"an empty file", "", kDone, 0},
      {"not an archive", "hello, this is no archive at all", kNotThisFormat, 0},
      {"shorter than a header", one.substr(0, 12), kNotThisFormat, 0},
      {"two entries and the end marker", one + two + std::string(1, '\0'), kDone, 2},
      {"no end marker", one + two, kDone, 2},
      {"bytes after the end marker", one + std::string(1, '\0') + "garbage", kDone, 1},
      {"a header cut short", one + two.substr(0, 20), kNotThisFormat, 1},
      {"a checksum that differs", one + two.substr(0, 1) + "x" + two.substr(2), kNotThisFormat, 1},
      {"data past the end of the file", level0Entry("big", "x", "-lh0-", 1000) + one,
       kNotThisFormat, 1},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string name = "case" + std::to_string(index++);
    tree_.file(name, c.contents);
    ListingRecorder recorder;
    EXPECT_EQ(list(tree_.native(name), recorder), c.code) << c.what;
    EXPECT_EQ(recorder.entries.size(), c.entries) << c.what;
  }
  ListingRecorder described;
  list(tree_.native("case4"), described);
  ASSERT_EQ(described.entries.size(), 2u);
  EXPECT_EQ(described.entries[1].name, "sub\\two.txt");
  EXPECT_EQ(described.entries[1].dosDate, 0x5321);
  EXPECT_EQ(described.entries[1].dosTime, 0x5A6B);
  EXPECT_EQ(described.entries[1].attributes, kEntryArchive);
  EXPECT_EQ(described.entries[1].size, 2u);
}

// A method outside the table is passed over; the entries after it still come out and the
// extraction ends with the code. A method is looked up without regard to case.
TEST_F(ArchiveLha, MethodsOutsideTheTableAreNotExtracted) {
  const std::string plain = level0Entry("plain.txt", "plain\n");
  const struct {
    const char* what;
    std::string contents;
    int code;
    std::size_t written;
  } cases[] = {
      {"-lh2-, which lhasa does not decode", level0Entry("a.txt", "a", "-lh2-") + plain,
       kUnsupportedMethod, 1},
      {"-lhx-, which the table leaves out", level0Entry("x.txt", "x", "-lhx-") + plain,
       kUnsupportedMethod, 1},
      // lhasa looks for a lower-case method at the start.
      {"upper case", plain + level0Entry("upper.txt", "upper\n", "-LH0-"), kDone, 2},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string name = "method" + std::to_string(index);
    const std::string out = "out" + std::to_string(index++);
    tree_.file(name, c.contents);
    EXPECT_EQ(extractBelow(tree_.native(name), kModeKeepFolders, out), c.code) << c.what;
    EXPECT_EQ(testing::filesBelow(tree_.root() / out).size(), c.written) << c.what;
  }
  // unlha32's -lhx- archive lists like any other.
  ListingRecorder recorder;
  EXPECT_EQ(list(fixture("unlha32-lhx.lzh"), recorder), kDone);
  EXPECT_EQ(recorder.entries.size(), 1u);
  EXPECT_EQ(extractBelow(fixture("unlha32-lhx.lzh"), kModeKeepFolders, "lhx"), kUnsupportedMethod);
  EXPECT_TRUE(testing::filesBelow(tree_.root() / "lhx").empty());
}

// Cut inside the second header; a byte of haystack.txt's -lh5- data replaced; lhasa's own
// archive cut inside the data.
TEST_F(ArchiveLha, DamagedArchivesEndWithTheirCodesAndLeaveNoPartialFile) {
  ListingRecorder truncated;
  EXPECT_EQ(list(fixture("damaged-truncated.lzh"), truncated), kNotThisFormat);
  EXPECT_EQ(truncated.entries.size(), 1u);
  EXPECT_EQ(extractBelow(fixture("damaged-truncated.lzh"), kModeKeepFolders, "truncated"),
            kNotThisFormat);

  ListingRecorder flipped;
  EXPECT_EQ(list(fixture("damaged-crc.lzh"), flipped), kDone);
  EXPECT_EQ(flipped.entries.size(), 7u);
  EXPECT_EQ(extractBelow(fixture("damaged-crc.lzh"), kModeKeepFolders, "flipped"), kDamagedData);
  EXPECT_TRUE(testing::filesBelow(tree_.root() / "flipped").empty());
  EXPECT_EQ(host_.callsOf("DeleteFileRetry").size(), 1u);

  ListingRecorder cut;
  EXPECT_EQ(list(fixture("damaged-lhasa-truncated.lzh"), cut), kNotThisFormat);
  EXPECT_EQ(cut.entries.size(), 1u);
  EXPECT_EQ(extractBelow(fixture("damaged-lhasa-truncated.lzh"), kModeKeepFolders, "cut"),
            kDamagedData);
  EXPECT_TRUE(testing::filesBelow(tree_.root() / "cut").empty());
}

TEST_F(ArchiveLha, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const auto written = extractHostile(fixture("hostile-names.lzh"));
  EXPECT_EQ(written.size(), 7u);
  for (const auto& [path, contents] : written)
    EXPECT_NE(contents.find("needle"), std::string::npos) << path;
  EXPECT_EQ(extractBelow(fixture("hostile-dotdot.lzh"), kModeKeepFolders, "deep/out2"), kDone);
  EXPECT_EQ(extractBelow(fixture("hostile-abspath.lzh"), kModeKeepFolders, "deep/out3"), kDone);
  const std::string deep = tree_.native("deep");
  for (const auto& item : fs::recursive_directory_iterator(tree_.root())) {
    if (item.path() == tree_.root() / "deep") continue;
    EXPECT_EQ(item.path().string().rfind(deep, 0), 0u) << item.path();
  }
  EXPECT_EQ(testing::filesBelow(tree_.root() / "deep" / "out2").size(), 2u);
  EXPECT_EQ(testing::filesBelow(tree_.root() / "deep" / "out3").size(), 1u);
}

}  // namespace
}  // namespace ostrya::archive
