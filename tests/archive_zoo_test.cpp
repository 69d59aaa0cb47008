#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/formats/zoo.h"
#include "archive_fixture_tree.h"
#include "zoo_writer.h"

namespace ostrya::archive {
namespace {

using testing::ListingRecorder;
using testing::ZooMember;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("zoo/" + name).string();
}

// ZOO keeps local DOS times, which the independent reader shows as stored; names are compared
// as the bytes they are (the fixtures' UTF-8 name included).
std::set<std::string> expectedListing(const std::string& name) {
  std::set<std::string> lines;
  for (const testing::ListedEntry& entry : testing::readListing(fixture(name) + ".list")) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::sscanf(entry.time.c_str(), "%u-%u-%u %u:%u:%u", &year, &month, &day, &hour, &minute,
                &second);
    const auto date = (year - 1980) << 9 | month << 5 | day;
    const auto time = hour << 11 | minute << 5 | second / 2;
    lines.insert(entry.name + "\t" + entry.size + "\t" + std::to_string(date) + " " +
                 std::to_string(time));
  }
  return lines;
}

std::set<std::string> reportedListing(const std::vector<testing::ReportedEntry>& entries) {
  std::set<std::string> lines;
  for (const testing::ReportedEntry& entry : entries) {
    std::string name = entry.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    lines.insert(name + "\t" + std::to_string(entry.size) + "\t" + std::to_string(entry.dosDate) +
                 " " + std::to_string(entry.dosTime));
  }
  return lines;
}

// path -> CRC-32 of the source file that the independent reader extracts unchanged.
std::map<std::string, uint32_t> expectedContents(const std::string& name) {
  return testing::independentCrcs(fixture(name) + ".crc");
}

std::map<std::string, uint32_t> writtenContents(const std::filesystem::path& folder) {
  return testing::crcsOf(testing::filesBelow(folder));
}

void setLe32(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

ZooMember member(const std::string& name, const std::string& data, uint8_t method = 1) {
  ZooMember made;
  made.name = name;
  made.data = data;
  made.method = method;
  return made;
}

// The -lh5- data of haystack.txt, as jLHA wrote it into a level 0 header.
std::string lh5Haystack() {
  const std::string lha = testing::readFile(testing::archiveFixture("lha/jlha-h0-lh5.lzh"));
  for (std::size_t at = 0; at < lha.size() && lha[at] != 0;) {
    const std::size_t header = static_cast<uint8_t>(lha[at]) + 2u;
    uint32_t packed = 0;
    for (int i = 3; i >= 0; --i) packed = packed << 8 | static_cast<uint8_t>(lha[at + 7 + i]);
    const std::size_t nameSize = static_cast<uint8_t>(lha[at + 21]);
    if (lha.compare(at + 22, nameSize, "haystack.txt") == 0) return lha.substr(at + header, packed);
    at += header + packed;
  }
  return "";
}

class ArchiveZoo : public testing::FixtureReaderTest<listZoo, extractZoo> {
 protected:
  // Writes an archive into the tree and gives its path.
  std::string archiveOf(const std::string& name, const std::string& bytes) {
    tree_.file(name, bytes);
    return tree_.native(name);
  }
};

const char* const kFixtures[] = {"tree-lzw.zoo", "tree-stored.zoo", "lzh.zoo"};

TEST_F(ArchiveZoo, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : kFixtures) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kDone) << name;
    EXPECT_EQ(reportedListing(recorder.entries), expectedListing(name)) << name;
  }
}

// Stored, LZW through every code width and several clears, LZH, folder names, long names and
// a type 1 entry's short name: each file comes out as the independent reader gives it.
TEST_F(ArchiveZoo, ExtractsEachFixtureToTheIndependentReadersBytes) {
  int folder = 0;
  for (const char* name : kFixtures) {
    const std::string out = "out" + std::to_string(folder++);
    EXPECT_EQ(extractBelow(fixture(name), kModeKeepFolders, out), kDone) << name;
    EXPECT_EQ(writtenContents(tree_.root() / out), expectedContents(name)) << name;
  }
}

TEST_F(ArchiveZoo, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string path = fixture("lzh.zoo");
  EXPECT_EQ(testing::extractToTarget(host_, path, tree_.native("entry.tmp"), kZoo), kDone);
  ASSERT_EQ(host_.extractedContents.size(), 4u);
  EXPECT_EQ(host_.extractedContents[0], testing::fixtureHaystack());
  for (const std::string& call : host_.callsOf("OnEntryExtracted"))
    EXPECT_NE(call.find(" 0  "), std::string::npos) << "attributes 0, flag blank: " << call;
  host_.expectNoLeaks(path);
}

// Where the chain ends and with what, for archives made here: a bad pointer ends the walk
// after the entry that holds it, and no entry is reported twice.
TEST_F(ArchiveZoo, EndsOfTheChain) {
  const std::vector<ZooMember> three = {member("one.txt", "1"), member("two.txt", "22"),
                                        member("three.txt", "333")};
  testing::ZooLayout layout;
  const std::string good = testing::zooArchive(three, &layout);
  const auto changed = [&](std::size_t at, uint32_t value) {
    std::string bytes = good;
    setLe32(bytes, at, value);
    return bytes;
  };
  ZooMember deleted = member("gone.txt", "gone");
  deleted.deleted = true;
  const struct {
    const char* what;
    std::string contents;
    int code;
    std::size_t entries;
  } cases[] = {
      {"three entries and the chain's end", good, kDone, 3},
      {"a deleted entry is passed over",
       testing::zooArchive({member("a", "a"), deleted, member("b", "b")}), kDone, 2},
      {"start and its negated copy disagree", changed(28, 0), kNotThisFormat, 0},
      {"shorter than the archive header", good.substr(0, 31), kNotThisFormat, 0},
      {"a start past the end", changed(24, 0x7FFFFFF0).replace(28, 4, "\x10\0\0\x80"),
       kNotThisFormat, 0},
      {"the second entry without its tag", changed(layout.entries[1], 0x12345678), kNotThisFormat,
       1},
      {"a chain that leads back", changed(layout.entries[2] + 6, layout.entries[0]), kNotThisFormat,
       3},
      {"an entry that leads to itself", changed(layout.entries[1] + 6, layout.entries[1]),
       kNotThisFormat, 2},
      {"a chain that leads past the end", changed(layout.entries[1] + 6, 0x7FFFFFFF),
       kNotThisFormat, 2},
      {"no entry to end the chain", good.substr(0, layout.entries[3]), kNotThisFormat, 3},
  };
  int index = 0;
  for (const auto& c : cases) {
    ListingRecorder recorder;
    EXPECT_EQ(list(archiveOf("chain" + std::to_string(index++), c.contents), recorder), c.code)
        << c.what;
    EXPECT_EQ(recorder.entries.size(), c.entries) << c.what;
    const auto reported = testing::entryNames(recorder.entries);
    EXPECT_EQ(std::set<std::string>(reported.begin(), reported.end()).size(), reported.size())
        << c.what;
  }
  for (const auto& [name, entries] :
       {std::pair{"damaged-loop.zoo", 3u}, {"damaged-outside.zoo", 2u}}) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kNotThisFormat) << name;
    EXPECT_EQ(recorder.entries.size(), entries) << name;
    EXPECT_EQ(extractBelow(fixture(name), kModeKeepFolders, std::string("out-") + name),
              kNotThisFormat)
        << name;
  }
}

// The names an entry can have: folder and long name, a folder name ending in a separator, the
// short name of a type 1 entry, and long names whose lengths run past the entry.
TEST_F(ArchiveZoo, NamesOfAnEntry) {
  ZooMember shortOnly = member("short.txt", "s");
  shortOnly.shortOnly = true;
  const std::string archive =
      testing::zooArchive({member("sub/deeper/long name.text", "l"), shortOnly,
                           member("a-rather-long-file-name.txt", "r")});
  ListingRecorder recorder;
  EXPECT_EQ(list(archiveOf("names.zoo", archive), recorder), kDone);
  EXPECT_EQ(testing::entryNames(recorder.entries),
            (std::vector<std::string>{"sub\\deeper\\long name.text", "short.txt",
                                      "a-rather-long-file-name.txt"}));

  // Long name and folder lengths (56, 57) larger than the variable part: the short name.
  testing::ZooLayout layout;
  std::string broken = testing::zooArchive({member("folder/long-file-name.txt", "x")}, &layout);
  broken[layout.entries[0] + 56] = static_cast<char>(200);
  ListingRecorder fallback;
  EXPECT_EQ(list(archiveOf("fallback.zoo", broken), fallback), kDone);
  ASSERT_EQ(fallback.entries.size(), 1u);
  EXPECT_EQ(fallback.entries[0].name, "long-file-na");
  EXPECT_EQ(fallback.entries[0].dosDate, 0x5321);
  EXPECT_EQ(fallback.entries[0].dosTime, 0x5A6B);
  EXPECT_EQ(fallback.entries[0].attributes, 0u);
}

// A method above 2, or LZH of a later version, ends the extraction; the listing shows them.
TEST_F(ArchiveZoo, MethodsNotDecodedEndTheExtraction) {
  ZooMember later = member("later.txt", "later", 2);
  later.packed = "";
  later.minorVersion = 2;
  const struct {
    const char* what;
    ZooMember first;
    std::size_t written;
  } cases[] = {
      {"method 3", member("three.txt", "data", 3), 0},
      {"LZH of version 2.2", later, 0},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string path = archiveOf("method" + std::to_string(index),
                                       testing::zooArchive({member("before.txt", "before"), c.first,
                                                            member("after.txt", "after")}));
    ListingRecorder recorder;
    EXPECT_EQ(list(path, recorder), kDone) << c.what;
    EXPECT_EQ(recorder.entries.size(), 3u) << c.what;
    const std::string out = "out" + std::to_string(index++);
    EXPECT_EQ(extractBelow(path, kModeKeepFolders, out), kUnsupportedMethod) << c.what;
    EXPECT_EQ(testing::filesBelow(tree_.root() / out),
              (std::map<std::string, std::string>{{"before.txt", "before"}}))
        << c.what;
  }
}

// Damaged data ends the extraction with its code and leaves no file of the entry behind; the
// entry before it stays written.
TEST_F(ArchiveZoo, DamagedDataEndsWithItsCode) {
  const std::string haystack = testing::fixtureHaystack();
  ZooMember lzh = member("haystack.txt", haystack, 2);
  lzh.packed = lh5Haystack();
  const struct {
    const char* what;
    ZooMember damaged;
    uint32_t field;
    uint32_t value;
    int code;
  } cases[] = {
      {"stored data whose CRC-16 differs", member("crc.txt", "stored", 0), testing::kZooCrcOffset,
       0x1234, kDamagedData},
      {"LZW data cut before its end code", member("cut.txt", haystack), testing::kZooPackedOffset,
       10, kDecoderFailed},
      {"LZW data that gives more than the stated size", member("more.txt", haystack),
       testing::kZooSizeOffset, 100, kDamagedData},
      {"LZW data that gives less than the stated size", member("less.txt", haystack),
       testing::kZooSizeOffset, 7000, kDamagedData},
      {"LZH data cut short", lzh, testing::kZooPackedOffset, 20, kDecoderFailed},
      {"data past the end of the file", member("far.txt", "far", 0), testing::kZooDataOffset,
       0x7FFFFFF0, kReadFailed},
  };
  int index = 0;
  for (const auto& c : cases) {
    testing::ZooLayout layout;
    std::string bytes = testing::zooArchive({member("ok.txt", "ok"), c.damaged}, &layout);
    if (c.field == testing::kZooCrcOffset)
      bytes.replace(layout.entries[1] + c.field, 2, "\x34\x12");
    else
      setLe32(bytes, layout.entries[1] + c.field, c.value);
    const std::string out = "damaged" + std::to_string(index);
    EXPECT_EQ(
        extractBelow(archiveOf("case" + std::to_string(index++), bytes), kModeKeepFolders, out),
        c.code)
        << c.what;
    EXPECT_EQ(testing::filesBelow(tree_.root() / out),
              (std::map<std::string, std::string>{{"ok.txt", "ok"}}))
        << c.what;
  }
  // The stored notes' first byte replaced; cut inside lzw-table.txt's data.
  EXPECT_EQ(extractBelow(fixture("damaged-crc.zoo"), kModeKeepFolders, "crc"), kDamagedData);
  EXPECT_EQ(writtenContents(tree_.root() / "crc").size(), 1u);
  ListingRecorder cut;
  EXPECT_EQ(list(fixture("damaged-truncated.zoo"), cut), kNotThisFormat);
  EXPECT_EQ(cut.entries.size(), 8u);
  EXPECT_EQ(extractBelow(fixture("damaged-truncated.zoo"), kModeKeepFolders, "cut"), kReadFailed);
  EXPECT_EQ(writtenContents(tree_.root() / "cut").size(), 7u);
}

TEST_F(ArchiveZoo, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const auto written = extractHostile(fixture("hostile-names.zoo"));
  EXPECT_EQ(written.size(), 7u);
  for (const auto& [path, contents] : written)
    EXPECT_NE(contents.find("needle"), std::string::npos) << path;
}

}  // namespace
}  // namespace ostrya::archive
