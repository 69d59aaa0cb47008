#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/formats/iso9660.h"
#include "archive_fixture_listing.h"
#include "archive_image_test_support.h"
#include "archive_test_host.h"
#include "foundation/date_time_text.h"
#include "platform/local_time.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTestHost;
using testing::Listed;
using testing::ReportedEntry;
using testing::TempTree;

constexpr std::size_t kSector = 2048;

std::string isoFixture(const std::string& name) {
  return testing::archiveFixture("iso/" + name).string();
}

void localDos(const std::string& utc, uint16_t& date, uint16_t& time) {
  platform::LocalTime local;
  ASSERT_TRUE(platform::localTimeOfUnix(testing::utcSeconds(utc), local));
  date = dosDateOf({static_cast<uint32_t>(local.day), static_cast<uint32_t>(local.month),
                    static_cast<uint32_t>(local.year)});
  time = dosTimeOf({static_cast<uint32_t>(local.hour), static_cast<uint32_t>(local.minute),
                    static_cast<uint32_t>(local.second)});
}

// The independent listing as this reader reports it: recording times in local time, names in
// the file-name character set, paths cut to what a path buffer holds.
std::multiset<std::string> expectedListing(const std::string& fixture) {
  std::multiset<std::string> expected;
  for (const testing::ListedEntry& entry : testing::readListing(isoFixture(fixture + ".list"))) {
    uint16_t date = 0, time = 0;
    localDos(entry.time, date, time);
    const bool folder = entry.name.back() == '/';
    std::string name = testing::fileNameOfUtf8(entry.name.substr(0, entry.name.size() - folder));
    name.resize(std::min(name.size(), platform::kMaxPath - 1));
    expected.insert(testing::describeEntry(name, folder, folder ? 0 : std::stoul(entry.size), date,
                                           time, false));
  }
  return expected;
}

TEST(ArchiveIso, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* fixture : {"level1.iso", "joliet.iso", "joliet-level1.iso", "joliet-level2.iso",
                              "deep-folders.iso", "hostile-names.iso"}) {
    EXPECT_EQ(testing::listedEntries(isoFixture(fixture), false), expectedListing(fixture))
        << fixture;
  }
}

TEST(ArchiveIso, ExtractsTheJolietTreeBelowAnOutputFolder) {
  TempTree tree;
  ArchiveTestHost host;
  const std::string path = isoFixture("joliet.iso");
  EXPECT_EQ(testing::extractBelow(host, extractIso, path, tree.native("out/")), kDone);
  const fs::path root = tree.root() / "out";
  for (const testing::ListedEntry& entry : testing::readListing(path + ".list")) {
    const fs::path written = root / fs::path(testing::fileNameOfUtf8(entry.name));
    if (entry.size == "-")
      EXPECT_TRUE(fs::is_directory(written)) << entry.name;
    else
      EXPECT_EQ(fs::file_size(written), std::stoul(entry.size)) << entry.name;
  }
  EXPECT_EQ(testing::readFile(root / "haystack.txt"), testing::fixtureHaystack());
  EXPECT_EQ(testing::readFile(root / "sub" / "deeper" / "deepest.txt"), "deepest haystack\n");
  EXPECT_TRUE(host.callsOf("OnEntryExtracted").empty());
  host.expectNoLeaks();
}

// The content search extracts each entry to one temporary path and tests it there.
TEST(ArchiveIso, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  TempTree tree;
  ArchiveTestHost host;
  const std::string path = isoFixture("deep-folders.iso");
  const std::string target = tree.native("Ostrya/1");
  std::atomic<uint32_t> abort{0};
  EXPECT_EQ(testing::extractToTarget(host, path, target, kIso, &abort), kDone);
  EXPECT_EQ(
      std::multiset<std::string>(host.extractedContents.begin(), host.extractedContents.end()),
      (std::multiset<std::string>{"bottom needle\n", "first level haystack\n", "middle haystack\n",
                                  "leaf needle\n"}));
  for (const std::string& call : host.callsOf("CreateFolderTree"))
    EXPECT_EQ(call, "CreateFolderTree " + tree.native("Ostrya"));

  host.calls.clear();
  abort = 1;
  EXPECT_EQ(testing::extractToTarget(host, path, target, kIso, &abort), kDone);
  EXPECT_TRUE(host.callsOf("CreateOutputFile").empty());
}

TEST(ArchiveIso, HostileJolietNamesWriteNothingOutsideTheOutputFolder) {
  for (const uint32_t mode : {0u, kModeKeepFolders}) {
    const std::multiset<std::string> contents =
        testing::extractHostileImage(extractIso, isoFixture("hostile-names.iso"), mode);
    // The 300-character path, cut to 259, no longer fits below the folder with its folders;
    // it is skipped rather than cut again.
    EXPECT_EQ(contents.count("needle far away\n"), mode == 0 ? 1u : 0u);
  }
}

TEST(ArchiveIso, DamagedImagesEndWithNotThisFormatAndLeakNothing) {
  for (const char* fixture : {"damaged-truncated.iso", "damaged-flipped.iso"}) {
    const std::string path = isoFixture(fixture);
    const Listed listed = testing::listImage(listIso, path);
    EXPECT_EQ(listed.code, kNotThisFormat) << fixture;
    EXPECT_TRUE(listed.entries.empty()) << fixture;
    TempTree tree;
    ArchiveTestHost host;
    EXPECT_EQ(testing::extractBelow(host, extractIso, path, tree.native("out/")), kNotThisFormat)
        << fixture;
    EXPECT_TRUE(host.callsOf("CreateOutputFile").empty()) << fixture;
    host.expectNoLeaks(fixture);
  }
}

// A hand-made image: the primary descriptor in sector 16, the terminator in 17, the root
// folder (one sector) in 18, and what a test puts in the sectors after it.
class HandMadeIso {
 public:
  HandMadeIso() : bytes(24 * kSector, '\0') {
    descriptor(16, 1);
    descriptor(17, 255);
    put(16 * kSector + 156, record(std::string(1, '\0'), 0x02, 18, kSector));
  }
  void descriptor(std::size_t sector, uint8_t type) {
    put(sector * kSector, std::string(1, static_cast<char>(type)) + "CD001\x01");
  }
  // A directory record of at least `length` bytes, recorded 2023-06-15 12:30:00 UTC.
  static std::string record(const std::string& name, uint8_t flags, uint32_t extent, uint32_t size,
                            std::size_t length = 0,
                            const std::string& date = std::string("\x7B\x06\x0F\x0C\x1E\x00", 6)) {
    std::string bytes(std::max<std::size_t>(length, (33 + name.size() + 1) & ~1u), '\0');
    bytes[0] = static_cast<char>(bytes.size());
    for (int i = 0; i < 4; ++i) {
      bytes[2 + i] = static_cast<char>(extent >> (8 * i));
      bytes[10 + i] = static_cast<char>(size >> (8 * i));
    }
    bytes.replace(18, date.size(), date);
    bytes[25] = static_cast<char>(flags);
    bytes[32] = static_cast<char>(name.size());
    bytes.replace(33, name.size(), name);
    return bytes;
  }
  void put(std::size_t at, const std::string& piece) { bytes.replace(at, piece.size(), piece); }
  // Puts the records one after another from the start of the sector.
  void folder(std::size_t sector, const std::vector<std::string>& records) {
    std::size_t at = sector * kSector;
    for (const std::string& record : records) {
      put(at, record);
      at += record.size();
    }
  }

  std::string bytes;
};

Listed listImage(const std::string& bytes, bool failAlloc = false) {
  TempTree tree;
  tree.file("image.iso", bytes);
  return testing::listImage(listIso, tree.native("image.iso"), failAlloc);
}

TEST(ArchiveIso, FoldersMetAgainAreListedButNotWalkedTwice) {
  HandMadeIso image;
  image.folder(18, {HandMadeIso::record("SELF", 0x02, 18, kSector),
                    HandMadeIso::record("SUB", 0x02, 19, kSector)});
  image.folder(19, {HandMadeIso::record("BACK", 0x02, 18, kSector),
                    HandMadeIso::record("AGAIN", 0x02, 19, kSector)});
  const Listed listed = listImage(image.bytes);
  EXPECT_EQ(listed.code, kDone);
  EXPECT_EQ(listed.names(), (std::vector<std::string>{"SELF", "SUB", "SUB\\BACK", "SUB\\AGAIN"}));

  // A folder whose data length reaches beyond the image is damage, not an endless walk.
  image.folder(19, {HandMadeIso::record("HUGE", 0x02, 20, 0xFFFFFFFF)});
  EXPECT_EQ(listImage(image.bytes).code, kNotThisFormat);
}

// Padding records that fill a folder sector up to byte `at`.
std::vector<std::string> paddingUpTo(std::size_t at) {
  const std::size_t count = (at + 254) / 255;
  std::vector<std::string> records;
  for (std::size_t i = 0; i < count; ++i)
    records.push_back(HandMadeIso::record("PAD", 0, 20, 1, at / count + (i < at % count)));
  return records;
}

// Records are read only where they lie wholly inside their sector and begin by byte 1977.
TEST(ArchiveIso, RecordsOutsideTheirSectorAreNotRead) {
  const std::string last = HandMadeIso::record("LAST", 0, 20, 1);
  struct Case {
    const char* what;
    std::string last;
    std::size_t at;
    bool listed;
  } cases[] = {
      {"begins at 1977", last, 1977, true},
      {"begins at 1978", last, 1978, false},
      {"crosses the sector's end", HandMadeIso::record("LAST", 0, 20, 1, 80), 1970, false},
      {"name longer than the record", std::string(last).replace(32, 1, "\xC8"), 1900, false},
  };
  for (const Case& c : cases) {
    HandMadeIso image;
    std::vector<std::string> records = paddingUpTo(c.at);
    const std::size_t padding = records.size();
    records.push_back(c.last);
    image.folder(18, records);
    const std::vector<std::string> names = listImage(image.bytes).names();
    EXPECT_EQ(names.size(), padding + c.listed) << c.what;
    EXPECT_EQ(names.back(), c.listed ? "LAST" : "PAD") << c.what;
  }
}

TEST(ArchiveIso, VersionsFlagsAndUnrecordedDates) {
  HandMadeIso image;
  image.folder(
      18, {HandMadeIso::record("FILE.TXT;1", 0x11, 20, 5), HandMadeIso::record(";1", 0, 20, 5),
           HandMadeIso::record("UNDATED", 0, 20, 5, 0, std::string("\x7B\x00\x0F\x0C\x1E\x00", 6)),
           HandMadeIso::record("README.;1", 0, 20, 5)});
  const Listed listed = listImage(image.bytes);
  // The dot before an empty extension only separated it.
  ASSERT_EQ(listed.names(), (std::vector<std::string>{"FILE.TXT", "UNDATED", "README"}));
  const ReportedEntry& file = listed.entries[0];
  EXPECT_EQ(file.attributes, kEntryHidden | kEntryReadOnly);
  uint16_t date = 0, time = 0;
  localDos("2023-06-15 12:30:00", date, time);
  EXPECT_EQ(file.dosDate, date);
  EXPECT_EQ(file.dosTime, time);
  EXPECT_EQ(listed.entries[1].dosDate, 0);
  EXPECT_EQ(listed.entries[1].dosTime, 0);
}

// A file recorded in several extents, one record each under the same name, is one entry: the
// sizes summed, the extents' bytes in order. A chain cut short is reported as far as it goes.
TEST(ArchiveIso, FileInSeveralExtentsIsOneEntry) {
  HandMadeIso image;
  image.folder(
      18, {HandMadeIso::record("BIG.DAT;1", 0x80, 20, kSector),
           HandMadeIso::record("BIG.DAT;1", 0x80, 22, kSector),
           HandMadeIso::record("BIG.DAT;1", 0, 21, 5), HandMadeIso::record("CUT;1", 0x80, 23, 3),
           HandMadeIso::record("NEXT;1", 0, 23, 2)});
  image.put(20 * kSector, std::string(kSector, 'a'));
  image.put(21 * kSector, "ccccc");
  image.put(22 * kSector, std::string(kSector, 'b'));
  image.put(23 * kSector, "xyz");
  const Listed listed = listImage(image.bytes);
  EXPECT_EQ(listed.code, kDone);
  ASSERT_EQ(listed.names(), (std::vector<std::string>{"BIG.DAT", "CUT", "NEXT"}));
  EXPECT_EQ(listed.entries[0].size, 2 * kSector + 5);
  EXPECT_EQ(listed.entries[1].size, 3u);

  TempTree tree;
  tree.file("image.iso", image.bytes);
  ArchiveTestHost host;
  EXPECT_EQ(
      testing::extractToTarget(host, tree.native("image.iso"), tree.native("entry.tmp"), kIso),
      kDone);
  EXPECT_EQ(host.extractedContents,
            (std::vector<std::string>{
                std::string(kSector, 'a') + std::string(kSector, 'b') + "ccccc", "xyz", "xy"}));
}

// Joliet levels 1 to 3 are in the fixtures; no other escape sequence selects the UTF-16 tree.
TEST(ArchiveIso, OtherEscapeSequencesKeepThePrimaryTree) {
  const std::string utf16Name("\0G\0r\0\xF6\0\xDF\0e\0;\0001", 14);
  for (const std::string escape : {"%/E", "%/F", "%/E*"}) {
    HandMadeIso image;
    image.descriptor(17, 2);
    image.put(17 * kSector + 88, escape);
    image.put(17 * kSector + 156, HandMadeIso::record(std::string(1, '\0'), 0x02, 19, kSector));
    image.descriptor(18, 255);
    image.folder(19, {HandMadeIso::record(utf16Name, 0, 20, 1)});
    image.put(16 * kSector + 156, HandMadeIso::record(std::string(1, '\0'), 0x02, 20, kSector));
    image.folder(20, {HandMadeIso::record("GROSSE.;1", 0, 21, 1)});
    EXPECT_EQ(
        listImage(image.bytes).names(),
        std::vector<std::string>{escape == "%/E" ? testing::fileNameOfUtf8("Größe") : "GROSSE"})
        << escape;
  }
}

TEST(ArchiveIso, FailuresNameTheirCause) {
  HandMadeIso image;
  image.folder(18, {HandMadeIso::record("SUB", 0x02, 19, kSector)});
  HandMadeIso secondary = image;
  secondary.descriptor(16, 2);
  HandMadeIso version2 = image;
  version2.put(16 * kSector + 6, "\x02");
  HandMadeIso rootOutside = image;
  rootOutside.put(16 * kSector + 156 + 2, std::string("\x00\x10", 2));
  EXPECT_EQ(listImage(image.bytes).code, kDone);
  EXPECT_EQ(listImage(image.bytes, true).code, kSetUpFailed);
  EXPECT_EQ(listImage(secondary.bytes).code, kNotThisFormat);
  EXPECT_EQ(listImage(version2.bytes).code, kNotThisFormat);
  EXPECT_EQ(listImage(rootOutside.bytes).code, kNotThisFormat);
  EXPECT_EQ(listImage(image.bytes.substr(0, 17 * kSector - 1)).code, kNotThisFormat);

  EXPECT_EQ(testing::listImage(listIso, "no such image").code, kOpenFailed);

  // A file whose data lies beyond the image cannot be read; its output is removed.
  TempTree tree;
  ArchiveTestHost host;
  image.folder(18, {HandMadeIso::record("FAR", 0, 4000, 100)});
  tree.file("image.iso", image.bytes);
  EXPECT_EQ(testing::extractBelow(host, extractIso, tree.native("image.iso"), tree.native("out/")),
            kReadFailed);
  EXPECT_FALSE(fs::exists(tree.root() / "out" / "FAR"));
  EXPECT_EQ(host.openFiles, 0);
}

}  // namespace
}  // namespace ostrya::archive
