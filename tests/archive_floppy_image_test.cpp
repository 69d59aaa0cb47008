#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "archive/formats/floppy_image.h"
#include "archive_fixture_listing.h"
#include "archive_image_test_support.h"
#include "archive_test_host.h"
#include "foundation/date_time_text.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTestHost;
using testing::Listed;
using testing::ReportedEntry;
using testing::TempTree;

std::string floppyFixture(const std::string& name) {
  return testing::archiveFixture("fat/" + name).string();
}

// The independent listing as this reader reports it. FAT stores local times, and the listing
// shows them as stored; it shows a '/' inside a long name as '_'. Names are compared without
// regard to case: the independent reader applies the lower-case flags of short names.
std::multiset<std::string> expectedListing(const std::string& fixture) {
  std::multiset<std::string> expected;
  for (const testing::ListedEntry& entry : testing::readListing(floppyFixture(fixture + ".list"))) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::sscanf(entry.time.c_str(), "%u-%u-%u %u:%u:%u", &year, &month, &day, &hour, &minute,
                &second);
    const bool folder = entry.name.back() == '/';
    std::string name = entry.name.substr(0, entry.name.size() - folder);
    if (name == "_abs.txt") name = "/abs.txt";
    if (name == ".._escape.txt") name = "../escape.txt";
    name = testing::fileNameOfUtf8(name);
    name.resize(std::min(name.size(), platform::kMaxPath - 1));
    expected.insert(testing::describeEntry(name, folder, folder ? 0 : std::stoul(entry.size),
                                           dosDateOf({day, month, year}),
                                           dosTimeOf({hour, minute, second}), true));
  }
  return expected;
}

TEST(ArchiveFloppyImage, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* fixture : {"floppy-160k.img", "hostile-names.img"}) {
    EXPECT_EQ(testing::listedEntries(floppyFixture(fixture), true), expectedListing(fixture))
        << fixture;
  }
}

Listed listImage(const std::string& path, bool failAlloc = false) {
  return testing::listImage(listFloppyImage, path, failAlloc);
}

TEST(ArchiveFloppyImage, ExtractsEveryEntryBelowAnOutputFolder) {
  TempTree tree;
  ArchiveTestHost host;
  const std::string path = floppyFixture("floppy-160k.img");
  EXPECT_EQ(testing::extractBelow(host, extractFloppyImage, path, tree.native("out/")), kDone);
  const fs::path root = tree.root() / "out";
  for (const ReportedEntry& entry : listImage(path).entries) {
    std::string name = entry.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    if ((entry.attributes & kEntryFolder) != 0)
      EXPECT_TRUE(fs::is_directory(root / name)) << name;
    else
      EXPECT_EQ(fs::file_size(root / name), entry.size) << name;
  }
  EXPECT_EQ(testing::readFile(root / "HAYSTACK.TXT"), testing::fixtureHaystack());
  EXPECT_EQ(testing::readFile(root / "SUB" / "DEEPER" / "DEEPEST.TXT"), "deepest haystack\n");
  // The read-only file is given its read-only bit back, and only it.
  for (const std::string& call : host.callsOf("SetAttributes ")) {
    const bool readOnly = (std::stoul(call.substr(call.rfind(' ') + 1)) & kEntryReadOnly) != 0;
    std::string lower = call;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_EQ(readOnly, lower.find("read-only.txt") != std::string::npos) << call;
  }
  host.expectNoLeaks();
}

// The content search extracts each entry to one temporary path and tests it there.
TEST(ArchiveFloppyImage, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  TempTree tree;
  ArchiveTestHost host;
  const std::string path = floppyFixture("floppy-160k.img");
  const std::string target = tree.native("Ostrya/1");
  std::atomic<uint32_t> abort{0};
  EXPECT_EQ(testing::extractToTarget(host, path, target, kFloppyImage, &abort), kDone);
  EXPECT_EQ(host.callsOf("OnEntryExtracted").size(), 8u);
  const std::multiset<std::string> contents(host.extractedContents.begin(),
                                            host.extractedContents.end());
  EXPECT_EQ(contents.count(testing::fixtureHaystack()), 1u);
  EXPECT_EQ(contents.count("inner needle\n"), 1u);
  EXPECT_EQ(contents.count("at the end of a long path: needle\n"), 1u);
}

TEST(ArchiveFloppyImage, HostileLongNamesWriteNothingOutsideTheOutputFolder) {
  for (const uint32_t mode : {0u, kModeKeepFolders})
    testing::extractHostileImage(extractFloppyImage, floppyFixture("hostile-names.img"), mode);
}

TEST(ArchiveFloppyImage, DamagedImagesEndAsTheyShouldAndLeakNothing) {
  // Cut inside the root folder: nothing can be listed.
  const Listed truncated = listImage(floppyFixture("damaged-truncated.img"));
  EXPECT_EQ(truncated.code, kNotThisFormat);
  EXPECT_TRUE(truncated.entries.empty());

  // A folder that holds itself is walked down to the depth limit, then the walk goes on.
  const Listed looped = listImage(floppyFixture("damaged-flipped.img"));
  EXPECT_EQ(looped.code, kDone);
  EXPECT_EQ(std::count_if(looped.entries.begin(), looped.entries.end(),
                          [](const ReportedEntry& entry) { return entry.size == 13; }),
            100);
  EXPECT_TRUE(std::any_of(looped.entries.begin(), looped.entries.end(),
                          [](const ReportedEntry& entry) { return entry.name == "README.TXT"; }));

  const std::pair<const char*, int> extractions[] = {{"damaged-truncated.img", kNotThisFormat},
                                                     {"damaged-flipped.img", kDone}};
  for (const auto& [fixture, code] : extractions) {
    TempTree tree;
    ArchiveTestHost host;
    EXPECT_EQ(testing::extractBelow(host, extractFloppyImage, floppyFixture(fixture),
                                    tree.native("out/")),
              code)
        << fixture;
    testing::filesBelow(tree.root(), "out");
    host.expectNoLeaks(fixture);
  }
}

// A hand-made image: boot sector, one allocation table of one sector, a root folder of 16
// entries, then clusters 2 to 9 of one sector each.
class HandMadeFloppy {
 public:
  static constexpr std::size_t kRoot = 1024;
  static constexpr std::size_t cluster(unsigned number) { return 1536 + (number - 2) * 512; }

  HandMadeFloppy() : bytes(cluster(10), '\0') {
    put16(11, 512);
    bytes[13] = 1;
    bytes[16] = 1;
    put16(17, 16);
    put16(22, 1);
  }
  void put16(std::size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value);
    bytes[at + 1] = static_cast<char>(value >> 8);
  }
  void entry(std::size_t at, const std::string& name, uint8_t attributes, unsigned firstCluster,
             uint32_t size) {
    bytes.replace(at, 11, name);
    bytes[at + 11] = static_cast<char>(attributes);
    put16(at + 22, 0x6000);
    put16(at + 24, 0x5A21);
    put16(at + 26, firstCluster);
    put16(at + 28, size & 0xFFFF);
    put16(at + 30, size >> 16);
  }
  // A piece of a long name: 13 characters, shorter text ended by a NUL.
  void piece(std::size_t at, uint8_t sequence, const std::u16string& text) {
    bytes[at] = static_cast<char>(sequence);
    bytes[at + 11] = 0x0F;
    std::size_t next = 0;
    for (const std::size_t run : {1, 14, 28})
      for (std::size_t i = 0; i < (run == 14 ? 6u : run == 1 ? 5u : 2u); ++i, ++next)
        put16(at + run + 2 * i, next < text.size() ? text[next] : next == text.size() ? 0 : 0xFFFF);
  }
  // Sets the allocation table entry of `number`.
  void link(unsigned number, unsigned next) {
    const std::size_t at = 512 + number + number / 2;
    const unsigned pair = static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                << 8;
    put16(at, number & 1 ? (pair & 0x000F) | next << 4 : (pair & 0xF000) | next);
  }

  std::string bytes;
};

std::vector<std::string> namesOf(const HandMadeFloppy& image) {
  TempTree tree;
  tree.file("image.img", image.bytes);
  const Listed listed = listImage(tree.native("image.img"));
  EXPECT_EQ(listed.code, kDone);
  return listed.names();
}

TEST(ArchiveFloppyImage, AnImageWithoutEntriesIsReportedOnceWithAnEmptyName) {
  HandMadeFloppy image;
  image.entry(HandMadeFloppy::kRoot, "LABEL      ", 0x08, 0, 0);
  image.entry(HandMadeFloppy::kRoot + 32,
              "\xE5"
              "DELETEDTXT",
              0x20, 0, 0);
  image.entry(HandMadeFloppy::kRoot + 64, ".          ", 0x10, 0, 0);
  TempTree tree;
  tree.file("image.img", image.bytes);
  const Listed listed = listImage(tree.native("image.img"));
  EXPECT_EQ(listed.code, kDone);
  ASSERT_EQ(listed.entries.size(), 1u);
  const ReportedEntry& entry = listed.entries[0];
  EXPECT_EQ(entry.name, "");
  EXPECT_EQ(entry.dosDate | entry.dosTime | entry.attributes | entry.flag | entry.size, 0u);
}

TEST(ArchiveFloppyImage, ShortNamesEndAtTheFirstInvalidCharacter) {
  struct Case {
    std::string stored;
    std::string name;
  } cases[] = {
      {"README  TXT", "README.TXT"},
      {"NOEXT      ", "NOEXT"},
      {"A+B     TXT", "A.TXT"},
      {"AB C    T X", "AB.T"},
      {"FILE     X ", "FILE"},
      {"\x05"
       "BC     TXT",
       "\xE5"
       "BC.TXT"},
      {"..         ", ""},
      {"        TXT", ".TXT"},
  };
  for (const Case& c : cases) {
    HandMadeFloppy image;
    image.entry(HandMadeFloppy::kRoot, c.stored, 0x20, 0, 0);
    image.entry(HandMadeFloppy::kRoot + 32, "OTHER      ", 0x20, 0, 0);
    std::vector<std::string> expected = {c.name, "OTHER"};
    if (c.name.empty()) expected.erase(expected.begin());
    EXPECT_EQ(namesOf(image), expected) << c.stored;
  }
}

TEST(ArchiveFloppyImage, LongNamesAreAssembledByTheirSequenceNumbers) {
  HandMadeFloppy image;
  std::size_t at = HandMadeFloppy::kRoot;
  image.piece(at, 0x42, u"ame.txt");
  image.piece(at += 32, 0x01, u"a-long-file-n");
  image.entry(at += 32, "ALONG~1 TXT", 0x20, 0, 0);
  // Pieces followed by a volume label belong to no file.
  image.piece(at += 32, 0x41, u"lost");
  image.entry(at += 32, "LABEL      ", 0x08, 0, 0);
  image.entry(at += 32, "SHORT   TXT", 0x20, 0, 0);
  // Sequence numbers outside 1 to 20 place nothing.
  image.piece(at += 32, 0x40, u"zero");
  image.piece(at += 32, 0x55, u"twenty-one");
  image.entry(at += 32, "KEPT    TXT", 0x20, 0, 0);
  // A new name mark drops the pieces before it: a name of 13 characters has no terminator.
  image.piece(at += 32, 0x42, u"dropped");
  image.piece(at += 32, 0x41, u"Größe-und-mhr");
  image.entry(at += 32, "GROSSE~1   ", 0x20, 0, 0);
  EXPECT_EQ(namesOf(image),
            (std::vector<std::string>{"a-long-file-name.txt", "SHORT.TXT", "KEPT.TXT",
                                      testing::fileNameOfUtf8("Größe-und-mhr")}));
}

TEST(ArchiveFloppyImage, FolderChainsEndInsideTheClusterRangeAndTheImage) {
  HandMadeFloppy image;
  image.entry(HandMadeFloppy::kRoot, "LOOP       ", 0x10, 2, 0);
  image.entry(HandMadeFloppy::kRoot + 32, "FAR        ", 0x10, 4080, 0);
  image.link(2, 3);
  image.link(3, 2);
  // Full clusters, so that the folder goes on along its chain.
  for (std::size_t i = 0; i < 16; ++i) {
    image.entry(HandMadeFloppy::cluster(2) + 32 * i, "A       TXT", 0x20, 0, 0);
    image.entry(HandMadeFloppy::cluster(3) + 32 * i, "B       TXT", 0x20, 0, 0);
  }
  const std::vector<std::string> names = namesOf(image);
  ASSERT_GE(names.size(), 2u + 32u);
  EXPECT_EQ(names[0], "LOOP");
  EXPECT_EQ(names[1], "LOOP\\A.TXT");
  EXPECT_EQ(names[17], "LOOP\\B.TXT");
  EXPECT_EQ(names.back(), "FAR");
  // The chain is followed no further than the image's eight clusters.
  EXPECT_LE(names.size(), 2u + 8u * 16u);
}

// File data follows the cluster chain; a chain that leaves the cluster range or loops ends the
// file with "not this format" and takes back its output.
TEST(ArchiveFloppyImage, FileDataFollowsTheClusterChain) {
  struct Case {
    const char* what;
    uint32_t size;
    unsigned after4;
    int code;
  } cases[] = {
      {"two clusters", 700, 5, kDone},
      {"chain ends early", 1100, 5, kNotThisFormat},
      {"chain leaves the range", 700, 1, kNotThisFormat},
      {"chain loops", 0xFFFFFFFF, 4, kNotThisFormat},
  };
  for (const Case& c : cases) {
    HandMadeFloppy image;
    image.entry(HandMadeFloppy::kRoot, "DATA    BIN", 0x20, 4, c.size);
    image.link(4, c.after4);
    image.link(5, 0xFFF);
    image.bytes.replace(HandMadeFloppy::cluster(4), 512, std::string(512, 'x'));
    image.bytes.replace(HandMadeFloppy::cluster(5), 512, std::string(512, 'y'));
    TempTree tree;
    tree.file("image.img", image.bytes);
    ArchiveTestHost host;
    EXPECT_EQ(testing::extractBelow(host, extractFloppyImage, tree.native("image.img"),
                                    tree.native("out/")),
              c.code)
        << c.what;
    const fs::path written = tree.root() / "out" / "DATA.BIN";
    EXPECT_EQ(fs::exists(written), c.code == kDone) << c.what;
    if (c.code == kDone) {
      EXPECT_EQ(testing::readFile(written), std::string(512, 'x') + std::string(188, 'y'));
    }
    EXPECT_EQ(host.openFiles, 0) << c.what;
  }
}

TEST(ArchiveFloppyImage, BootSectorTestsAndFailuresNameTheirCause) {
  struct Case {
    const char* what;
    std::size_t at;
    unsigned value;
    int code;
  } cases[] = {
      {"sound", 0, 0, kDone},
      {"1024 bytes per sector", 11, 1024, kNotThisFormat},
      {"no sectors per cluster", 13, 0, kNotThisFormat},
      {"four sectors per cluster", 13, 4, kNotThisFormat},
      {"no allocation table sectors", 22, 0, kNotThisFormat},
      {"13 allocation table sectors", 22, 13, kNotThisFormat},
      {"225 root entries", 17, 225, kNotThisFormat},
  };
  TempTree tree;
  for (const Case& c : cases) {
    HandMadeFloppy image;
    image.entry(HandMadeFloppy::kRoot, "FILE    TXT", 0x20, 0, 0);
    if (c.at != 0) image.put16(c.at, c.value);
    tree.file("image.img", image.bytes);
    EXPECT_EQ(listImage(tree.native("image.img")).code, c.code) << c.what;
  }
  HandMadeFloppy image;
  tree.file("image.img", image.bytes);
  EXPECT_EQ(listImage(tree.native("image.img"), true).code, kSetUpFailed);
  tree.file("short.img", image.bytes.substr(0, 511));
  EXPECT_EQ(listImage(tree.native("short.img")).code, kNotThisFormat);
  tree.file("no-table.img", image.bytes.substr(0, 700));
  EXPECT_EQ(listImage(tree.native("no-table.img")).code, kNotThisFormat);
  EXPECT_EQ(listImage(tree.native("missing.img")).code, kOpenFailed);
}

}  // namespace
}  // namespace ostrya::archive
