#include <gtest/gtest.h>

#include <zlib.h>

#include <atomic>
#include <filesystem>
#include <limits>
#include <string>

#include "archive/archive.h"
#include "archive/formats/gzip.h"
#include "archive/unix_time.h"
#include "archive_fixture_listing.h"
#include "archive_test_host.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTestHost;
using testing::ListingRecorder;
using testing::TempTree;

std::string le32(uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift & 0xFF);
  return bytes;
}

// A gzip member holding `data` in one stored deflate block.
struct Member {
  std::string data = "payload";
  uint8_t method = 8;
  uint8_t flags = 0;
  std::string extra;
  std::string name;
  bool nameEnds = true;
};

std::string gzipBytes(const Member& m) {
  std::string out = {'\x1F', '\x8B', static_cast<char>(m.method), static_cast<char>(m.flags)};
  out += le32(0) + '\x02' + '\x03';
  if (m.flags & 0x04) out += le32(m.extra.size()).substr(0, 2) + m.extra;
  if (m.flags & 0x08) out += m.name + (m.nameEnds ? std::string(1, '\0') : "");
  if (!m.nameEnds) return out;
  const uint32_t size = static_cast<uint32_t>(m.data.size());
  out += '\x01' + le32(size).substr(0, 2) + le32(~size).substr(0, 2) + m.data;
  const auto* bytes = reinterpret_cast<const Bytef*>(m.data.data());
  return out + le32(crc32(0, bytes, size)) + le32(size);
}

TEST(GzipReader, ListsFixturesAsTheIndependentReaderDoes) {
  for (const char* fixture : {"stored-name.gz", "notes.txt.gz"}) {
    ArchiveTestHost host;
    ListingRecorder recorder;
    const std::string path = testing::archiveFixture(std::string("gzip/") + fixture).string();
    ASSERT_EQ(listGzip(path.c_str(), &recorder.context, ListingRecorder::callback, host.services,
                       nullptr),
              kDone);
    const auto listed = testing::readListing(path + ".list");
    ASSERT_EQ(recorder.entries.size(), 1u);
    ASSERT_EQ(listed.size(), 1u);
    const testing::ReportedEntry& entry = recorder.entries[0];
    EXPECT_EQ(entry.name, listed[0].name);
    EXPECT_EQ(std::to_string(entry.size), listed[0].size);
    if (listed[0].time != "-") {
      uint16_t date = 0, time = 0;
      unixTimeToDos(testing::utcSeconds(listed[0].time), date, time);
      EXPECT_EQ(entry.dosDate, date);
      EXPECT_EQ(entry.dosTime, time);
    }
    EXPECT_EQ(host.openFiles, 0);
  }
}

// gzip -n and streams from a pipe store the time 0: no date, not a made-up one.
TEST(GzipReader, NoStoredTimeMeansNoDate) {
  ArchiveTestHost host;
  ListingRecorder recorder;
  const std::string path = testing::archiveFixture("gzip/notes.txt.gz").string();
  ASSERT_EQ(
      listGzip(path.c_str(), &recorder.context, ListingRecorder::callback, host.services, nullptr),
      kDone);
  ASSERT_EQ(recorder.entries.size(), 1u);
  EXPECT_EQ(recorder.entries[0].dosDate, 0);
  EXPECT_EQ(recorder.entries[0].dosTime, 0);
}

// Times before 1980 are shown as the first DOS date and time, never moved to another year.
TEST(UnixTime, BeforeTheDosEpochIsItsFirstSecond) {
  constexpr uint16_t kFirstDosDate = (1 << 5) | 1;  // 1 January 1980
  // The last one no system converts.
  for (const int64_t seconds : {int64_t{0}, int64_t{86400} * 365 * 5, int64_t{-86400},
                                std::numeric_limits<int64_t>::min()}) {
    uint16_t date = 0xFFFF, time = 0xFFFF;
    unixTimeToDos(seconds, date, time);
    EXPECT_EQ(date, kFirstDosDate) << seconds;
    EXPECT_EQ(time, 0) << seconds;
  }
}

TEST(GzipReader, EntryNameFromStoredNameOrFileName) {
  const std::string longName(300, 'n');
  struct Case {
    const char* file;
    Member member;
    std::string name;
  } cases[] = {
      {"notes.txt.gz", {}, "notes.txt"},
      {"backup.TGZ", {}, "backup.tar"},
      {"backup.tar.gz", {}, "backup.tar"},
      {"no-extension", {}, "no-extension"},
      {"stored.gz", {.flags = 0x08, .name = "inside.txt"}, "inside.txt"},
      {"extra.gz",
       {.flags = 0x0C, .extra = std::string("ab\0cd", 5), .name = "after-extra"},
       "after-extra"},
      {"empty-name.gz", {.flags = 0x08, .name = ""}, "empty-name"},
      {"long.gz", {.flags = 0x08, .name = longName}, longName.substr(0, 259)},
      {"open-end.gz",
       {.flags = 0x08, .name = "runs to the end", .nameEnds = false},
       "runs to the end"},
  };
  TempTree tree;
  for (const Case& c : cases) {
    ArchiveTestHost host;
    tree.file(c.file, gzipBytes(c.member));
    ListingRecorder recorder;
    EXPECT_EQ(listGzip(tree.native(c.file).c_str(), &recorder.context, ListingRecorder::callback,
                       host.services, nullptr),
              kDone);
    ASSERT_EQ(recorder.entries.size(), 1u) << c.file;
    EXPECT_EQ(recorder.entries[0].name, c.name) << c.file;
  }
}

// The search's containing-text test reads what OnEntryExtracted is given.
TEST(GzipReader, ExtractsToTheTargetAndAnnouncesTheFile) {
  ArchiveTestHost host;
  TempTree tree;
  const std::string fixture = testing::archiveFixture("gzip/stored-name.gz").string();
  const std::string target = tree.native("entry.tmp");
  EXPECT_EQ(testing::extractToTarget(host, fixture, target,
                                     ArchiveDetectType(fixture.c_str(), host.services)),
            kDone);
  ASSERT_EQ(host.extractedContents.size(), 1u);
  EXPECT_EQ(host.extractedContents[0], testing::fixtureHaystack());
  const auto announced = host.callsOf("OnEntryExtracted " + target + " haystack.txt ");
  ASSERT_EQ(announced.size(), 1u);
  EXPECT_NE(announced[0].find(" 6000 "), std::string::npos);
  EXPECT_EQ(host.openFiles, 0);
}

TEST(GzipReader, ConcatenatedMembersAndAbortBeforeTheFirstPiece) {
  TempTree tree;
  tree.file("two.gz", gzipBytes({.data = "first "}) + gzipBytes({.data = "second"}));
  for (const bool aborted : {false, true}) {
    ArchiveTestHost host;
    const std::atomic<uint32_t> abort{aborted ? 1u : 0u};
    ExtractionRequest request;
    request.abortFlag = &abort;
    const std::string archive = tree.native("two.gz");
    const std::string target = tree.native("out.tmp");
    request.archivePath = archive.c_str();
    request.targetPath = target.c_str();
    EXPECT_EQ(extractGzip(request, host.services), kDone);
    ASSERT_EQ(host.extractedContents.size(), 1u);
    EXPECT_EQ(host.extractedContents[0], aborted ? "" : "first second");
  }
}

TEST(GzipReader, DamagedStreamsEndWithReadFailureAndLeaveNothing) {
  const std::string good = gzipBytes({});
  std::string badCrc = good;
  badCrc[badCrc.size() - 5] ^= 1;
  struct Case {
    const char* what;
    std::string contents;
  } cases[] = {
      {"truncated fixture",
       testing::readFile(testing::archiveFixture("gzip/damaged-truncated.gz"))},
      {"flipped fixture", testing::readFile(testing::archiveFixture("gzip/damaged-flipped.gz"))},
      {"wrong check value", badCrc},
      {"method 9", gzipBytes({.method = 9})},
      {"reserved flag", gzipBytes({.flags = 0x20})},
      {"old packed magic", "\x1F\x9E" + good.substr(2)},
      {"ends inside the stored name", gzipBytes({.flags = 0x08, .name = "x", .nameEnds = false})},
  };
  for (const Case& c : cases) {
    ArchiveTestHost host;
    TempTree tree;
    tree.file("damaged.gz", c.contents);
    EXPECT_EQ(
        testing::extractBelow(host, extractGzip, tree.native("damaged.gz"), tree.native("out"), 0),
        kReadFailed)
        << c.what;
    EXPECT_TRUE(fs::is_empty(tree.root() / "out")) << c.what;
    host.expectNoLeaks(c.what);
  }
}

TEST(GzipReader, HostileStoredNamesStayInsideTheOutputFolder) {
  for (const char* name :
       {"../escape.txt", "/abs.txt", "C:\\drive.txt", "a/../../up.txt", "CON", "aux.txt", ".."}) {
    for (const uint32_t mode : {0u, kModeKeepFolders}) {
      ArchiveTestHost host;
      TempTree tree;
      tree.file("box/hostile.gz", gzipBytes({.flags = 0x08, .name = name}));
      EXPECT_EQ(testing::extractBelow(host, extractGzip, tree.native("box/hostile.gz"),
                                      tree.native("box/out"), mode),
                kDone)
          << name;
      for (const auto& item : fs::recursive_directory_iterator(tree.root())) {
        const std::string inTree = fs::relative(item.path(), tree.root()).generic_string();
        EXPECT_TRUE(inTree == "box" || inTree == "box/hostile.gz" || inTree.starts_with("box/out"))
            << name << " wrote " << inTree;
      }
    }
  }
}

}  // namespace
}  // namespace ostrya::archive
