#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/formats/tar.h"
#include "archive_fixture_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

// Puts the header checksum in: six octal digits, a NUL and a blank, as GNU tar writes it, or,
// as star does, seven digits and a blank.
std::string sealed(std::string block, bool starChecksum = false) {
  block.replace(148, 8, 8, ' ');
  unsigned sum = 0;
  for (unsigned char c : block.substr(0, 512)) sum += c;
  char number[13];
  std::snprintf(number, sizeof number, starChecksum ? "%07o " : "%06o", sum);
  block.replace(148, starChecksum ? 8 : 7, std::string(number, starChecksum ? 8 : 7));
  return block;
}

std::string octal(uint64_t value) {
  char number[13];
  std::snprintf(number, sizeof number, "%011llo", static_cast<unsigned long long>(value));
  return number;
}

std::string padded(std::string data) {
  data.resize((data.size() + 511) / 512 * 512, '\0');
  return data;
}

// A member header as GNU tar writes it: octal numbers and a right checksum. POSIX ustar magic
// unless told otherwise.
std::string header(const std::string& name, char type, uint64_t size,
                   const std::string& prefix = "",
                   const std::string& magic = std::string("ustar\0"
                                                          "00",
                                                          8)) {
  std::string block(512, '\0');
  block.replace(0, std::min<std::size_t>(name.size(), 100), name.substr(0, 100));
  block.replace(100, 7, "0000644");
  block.replace(124, 11, octal(size));
  block.replace(136, 11, octal(1600000000u));
  block[156] = type;
  block.replace(257, magic.size(), magic);
  block.replace(345, prefix.size(), prefix);
  return block;
}

// A member with its data padded to whole blocks.
std::string member(const std::string& name, char type, const std::string& data = "",
                   const std::string& prefix = "",
                   const std::string& magic = std::string("ustar\0"
                                                          "00",
                                                          8)) {
  return sealed(header(name, type, data.size(), prefix, magic)) + padded(data);
}

std::string paxRecord(const std::string& key, const std::string& value) {
  const std::string body = " " + key + "=" + value + "\n";
  std::size_t length = body.size() + 1;
  while (std::to_string(length).size() + body.size() != length) ++length;
  return std::to_string(length) + body;
}

std::string paxHeader(const std::string& key, const std::string& value) {
  return member("PaxHeaders/x", 'x', paxRecord(key, value));
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
      {"a member without a name is passed over, the archive's own folder is no member",
       member("", '0', "lost") + member("./", '5') + member(".", '5') + member("after", '0', "x"),
       {"after"}},
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

// A sparse file of 20000 bytes with three stored stretches, in each form GNU tar writes, then a
// plain file after it.
struct SparseFile {
  static constexpr uint64_t kSize = 20000;
  const std::vector<std::pair<uint64_t, std::string>> runs = {
      {0, std::string(10, 'a')}, {4096, std::string(600, 'b')}, {19990, std::string(10, 'c')}};

  std::string stored() const {
    std::string data;
    for (const auto& run : runs) data += run.second;
    return data;
  }
  std::string contents() const {
    std::string file(kSize, '\0');
    for (const auto& [offset, bytes] : runs) file.replace(offset, bytes.size(), bytes);
    return file;
  }
  std::string mapText(const char* between) const {
    std::string text;
    for (const auto& [offset, bytes] : runs)
      text += std::to_string(offset) + between + std::to_string(bytes.size()) + between;
    text.resize(text.size() - std::strlen(between));
    return text;
  }
  // Old GNU: type 'S', two stretches in the header here and the third in an extension block.
  std::string oldGnu() const {
    std::string block = header("big", 'S', stored().size(), "", "ustar  ");
    for (std::size_t i = 0; i < 2; ++i) {
      block.replace(386 + i * 24, 11, octal(runs[i].first));
      block.replace(386 + i * 24 + 12, 11, octal(runs[i].second.size()));
    }
    block[482] = 1;
    block.replace(483, 11, octal(kSize));
    std::string extension(512, '\0');
    extension.replace(0, 11, octal(runs[2].first));
    extension.replace(12, 11, octal(runs[2].second.size()));
    return sealed(block) + extension + padded(stored());
  }
  std::string pax00() const {
    std::string records = paxRecord("GNU.sparse.size", std::to_string(kSize)) +
                          paxRecord("GNU.sparse.numblocks", "3");
    for (const auto& [offset, bytes] : runs)
      records += paxRecord("GNU.sparse.offset", std::to_string(offset)) +
                 paxRecord("GNU.sparse.numbytes", std::to_string(bytes.size()));
    return member("PaxHeaders/big", 'x', records) + member("big", '0', stored());
  }
  std::string pax01() const {
    return member("PaxHeaders/big", 'x',
                  paxRecord("GNU.sparse.size", std::to_string(kSize)) +
                      paxRecord("GNU.sparse.name", "dir/big") +
                      paxRecord("GNU.sparse.map", mapText(","))) +
           member("GNUSparseFile.7/big", '0', stored());
  }
  std::string pax10() const {
    return member("PaxHeaders/big", 'x',
                  paxRecord("GNU.sparse.major", "1") + paxRecord("GNU.sparse.minor", "0") +
                      paxRecord("GNU.sparse.name", "dir/big") +
                      paxRecord("GNU.sparse.realsize", std::to_string(kSize))) +
           member("GNUSparseFile.7/big", '0', padded("3\n" + mapText("\n") + "\n") + stored());
  }
};

TEST_F(ArchiveTar, SparseFilesAreOneEntryWithTheirNameSizeAndHoles) {
  const SparseFile sparse;
  const struct {
    const char* form;
    std::string member;
    std::string name;
  } cases[] = {
      {"old GNU", sparse.oldGnu(), "big"},
      {"pax 0.0", sparse.pax00(), "big"},
      {"pax 0.1", sparse.pax01(), "dir\\big"},
      {"pax 1.0", sparse.pax10(), "dir\\big"},
  };
  for (const auto& c : cases) {
    tree_.file("sparse.tar", c.member + member("after", '0', "after") + endBlocks());
    ListingRecorder recorder;
    list(tree_.native("sparse.tar"), recorder);
    ASSERT_EQ(recorder.entries.size(), 2u) << c.form;
    EXPECT_EQ(recorder.entries[0].name, c.name) << c.form;
    EXPECT_EQ(recorder.entries[0].size, SparseFile::kSize) << c.form;
    EXPECT_EQ(recorder.entries[1].name, "after") << c.form;

    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(tree_.native("sparse.tar")), kDone) << c.form;
    std::string name = c.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    EXPECT_EQ(testing::filesBelow(tree_.root() / "out"),
              (std::map<std::string, std::string>{{name, sparse.contents()}, {"after", "after"}}))
        << c.form;
  }
}

// A map whose stretches go back, or past the file's end, is damaged data; the walk still finds
// the members after it.
TEST_F(ArchiveTar, DamagedSparseMapsAreDamagedData) {
  const std::string stored(20, 's');
  for (const char* map : {"100,10,50,10", "0,10,95,10", "5,x"}) {
    tree_.file("bad.tar",
               member("PaxHeaders/bad", 'x',
                      paxRecord("GNU.sparse.size", "100") + paxRecord("GNU.sparse.map", map)) +
                   member("bad", '0', stored) + member("after", '0', "after") + endBlocks());
    EXPECT_EQ(namesOf(testing::readFile(tree_.root() / "bad.tar")),
              (std::vector<std::string>{"bad", "after"}))
        << map;
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(tree_.native("bad.tar")), kDamagedData) << map;
    EXPECT_FALSE(fs::exists(tree_.root() / "out" / "bad")) << map;
  }
}

// Headers that are not members, whichever writer made them, are passed over with their data:
// star's global and extended headers, whose checksums fill all eight bytes, a pax size record,
// links and devices.
TEST_F(ArchiveTar, HeadersThatAreNoMembersArePassedOver) {
  const std::string global = paxRecord("SCHILY.release", "star 1.5.3");
  std::string starGlobal = header("././@PaxHeader", 'g', global.size());
  starGlobal = sealed(starGlobal, true) + padded(global);
  const std::string acl = paxRecord("SCHILY.acl.access", std::string(700, 'u'));
  const std::string starExtended =
      sealed(header("././@PaxHeader", 'x', acl.size()), true) + padded(acl);
  const std::string contents = starGlobal + starExtended + sealed(header("file1", '0', 3), true) +
                               padded("one") + member("hard", '1', "") + member("fifo", '6') +
                               member("PaxHeaders/sized", 'x', paxRecord("size", "700")) +
                               sealed(header("sized", '0', 0)) + padded(std::string(700, 'z')) +
                               member("last", '0', "x") + endBlocks();
  EXPECT_EQ(namesOf(contents), (std::vector<std::string>{"file1", "sized", "last"}));
  tree_.file("star.tar", contents);
  EXPECT_EQ(ArchiveDetectType(tree_.native("star.tar").c_str(), host_.services), kTar);
  EXPECT_EQ(extractBelow(tree_.native("star.tar")), kDone);
  EXPECT_EQ(testing::filesBelow(tree_.root() / "out"),
            (std::map<std::string, std::string>{
                {"file1", "one"}, {"sized", std::string(700, 'z')}, {"last", "x"}}));
}

}  // namespace
}  // namespace ostrya::archive
