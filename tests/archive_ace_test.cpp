#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ace_writer.h"
#include "archive/formats/ace.h"
#include "archive/formats/ace_library.h"
#include "archive_fixture_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::AceArchive;
using testing::aceArchive;
using testing::aceFolder;
using testing::AceMember;
using testing::aceTime;
using testing::ListingRecorder;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("ace/" + name).string();
}

uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

AceMember file(const std::string& name, const std::string& data,
               uint8_t type = testing::kAceLz77Type) {
  AceMember member;
  member.name = name;
  member.data = data;
  member.type = type;
  return member;
}

class ArchiveAce : public testing::FixtureReaderTest<listAce, extractAce> {
 protected:
  std::string made(const std::string& name, const AceArchive& archive) {
    tree_.file(name, aceArchive(archive));
    return tree_.native(name);
  }
  std::string made(const std::string& name, const std::string& bytes) {
    tree_.file(name, bytes);
    return tree_.native(name);
  }
  std::vector<testing::ReportedEntry> listed(const std::string& path, int code) {
    ListingRecorder recorder;
    EXPECT_EQ(list(path, recorder), code) << path;
    return recorder.entries;
  }
};

// Good fixtures, whose listing and extraction unace gave.
const char* const kListed[] = {
    "tree-stored.ace", "tree-lz77.ace", "tree-lz77-small-blocks.ace", "tree-solid.ace",
    "sfx-stub.exe",    "encrypted.ace", "unsupported-method.ace"};

TEST_F(ArchiveAce, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : kListed) expectIndependentListing(fixture(name), kDone);
}

// Stored, LZ77 with either dictionary, solid, behind a stub: every file with unace's bytes,
// every folder made. The encrypted entry and the one of another method are passed over, and the
// files after them still come out.
TEST_F(ArchiveAce, ExtractsEachFixtureToTheIndependentReadersBytes) {
  const struct {
    const char* name;
    int code;
    std::size_t files;
  } cases[] = {
      {"tree-stored.ace", kDone, 8},
      {"tree-lz77.ace", kDone, 8},
      {"tree-lz77-small-blocks.ace", kDone, 9},
      {"tree-solid.ace", kDone, 9},
      {"sfx-stub.exe", kDone, 8},
      {"encrypted.ace", kEncrypted, 2},
      {"unsupported-method.ace", kDecoderFailed, 2},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string out = "out" + std::to_string(index++);
    EXPECT_EQ(extractBelow(fixture(c.name), kModeKeepFolders, out), c.code) << c.name;
    const auto written = testing::filesBelow(tree_.root() / out);
    EXPECT_EQ(written.size(), c.files) << c.name;
    const auto expected = testing::independentCrcs(fixture(c.name) + ".crc");
    EXPECT_FALSE(expected.empty()) << c.name;
    for (const auto& [path, crc] : expected) {
      ASSERT_TRUE(written.count(path)) << c.name << ": " << path;
      EXPECT_EQ(crcOf(written.at(path)), crc) << c.name << ": " << path;
    }
  }
  // By the names as the tree's listing gives them, which a narrow path cannot spell on Windows.
  const auto lz77 = testing::filesBelow(tree_.root() / "out1");
  for (const auto& [path, contents] : testing::fixtureTreeFiles(true)) {
    ASSERT_TRUE(lz77.count(path)) << path;
    EXPECT_EQ(lz77.at(path), contents) << path;
  }
  EXPECT_TRUE(fs::is_directory(tree_.root() / "out1" / "empty"));
  EXPECT_EQ(testing::readFile(tree_.root() / "out5" / "after.txt"), "after needle\n");
  EXPECT_EQ(testing::readFile(tree_.root() / "out6" / "after.txt"), "after needle\n");
}

// Everything an entry callback is given.
struct Listed {
  std::string name;
  uint16_t dosDate;
  uint16_t dosTime;
  uint32_t attributes;
  char flag;
  uint32_t size;
  uint32_t compressedSize;
  uint32_t method;
};

void recordAll(const char* name, uint16_t dosDate, uint16_t dosTime, uint32_t attributes, char flag,
               uint32_t size, uint32_t compressedSize, uint32_t method, ListingContext* context) {
  static_cast<std::vector<Listed>*>(context->request->caller)
      ->push_back({name, dosDate, dosTime, attributes, flag, size, compressedSize, method});
}

// Names as stored, DOS times, attributes, sizes, the encrypted flag, and the compression type,
// quality and parameter in one number.
TEST_F(ArchiveAce, ReportsWhatEachHeaderHolds) {
  AceArchive archive;
  AceMember locked = file("dir\\locked.txt", "locked", testing::kAceStoredType);
  locked.attributes = kEntryReadOnly | kEntryArchive;
  locked.time = aceTime(2001, 2, 3, 4, 5, 6);
  AceMember packed = file("packed.txt", std::string(1000, 'p'));
  packed.quality = 4;
  packed.parameter = 7;
  AceMember secret = file("secret.txt", "secret");
  secret.flags = testing::kAceEncryptedFlag;
  archive.members = {aceFolder("dir"), locked, packed, secret};
  std::vector<Listed> entries;
  ListingRequest request;
  request.caller = &entries;
  ListingContext context;
  context.request = &request;
  const std::string path = made("details.ace", archive);
  ASSERT_EQ(listAce(path.c_str(), &context, recordAll, host_.services, nullptr), kDone);
  host_.expectNoLeaks();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "dir");
  EXPECT_EQ(entries[0].attributes, kEntryFolder);
  EXPECT_EQ(entries[1].name, "dir\\locked.txt");
  EXPECT_EQ(entries[1].attributes, kEntryReadOnly | kEntryArchive);
  EXPECT_EQ(entries[1].dosDate, (21 << 9) | (2 << 5) | 3);
  EXPECT_EQ(entries[1].dosTime, (4 << 11) | (5 << 5) | 3);
  EXPECT_EQ(entries[1].size, 6u);
  EXPECT_EQ(entries[1].compressedSize, 6u);
  EXPECT_EQ(entries[1].method, 0u | 3u << 8);
  EXPECT_EQ(entries[1].flag, ' ');
  EXPECT_EQ(entries[2].size, 1000u);
  EXPECT_LT(entries[2].compressedSize, 100u);
  EXPECT_EQ(entries[2].method, 1u | 4u << 8 | 7u << 16);
  EXPECT_EQ(entries[3].flag, kEncryptedFlag);
}

// The archive header is looked for in the first 128 KiB, in windows that overlap so that a mark
// across their edge is seen; a mark whose block fails its CRC is passed over.
TEST_F(ArchiveAce, FindsTheArchiveHeaderWithinTheFirst128KiB) {
  AceArchive archive;
  archive.members = {file("found.txt", "found needle\n")};
  const std::string falseMark = "xxxxxxx**ACE**" + std::string(30, 'y');
  const struct {
    const char* what;
    std::string stub;
    int code;
  } cases[] = {
      {"at the start", "", kDone},
      {"across the first windows' edge", std::string(1015, 'M'), kDone},
      {"at the second window's end", std::string(1529, 'M'), kDone},
      {"after a mark without a header", falseMark, kDone},
      {"its mark ending at byte 131072", std::string(131072 - 14, 'M'), kDone},
      {"its mark beyond byte 131072", std::string(131072 - 13, 'M'), kNotThisFormat},
  };
  int index = 0;
  for (const auto& c : cases) {
    archive.stub = c.stub;
    const auto entries = listed(made("stub" + std::to_string(index++), archive), c.code);
    EXPECT_EQ(entries.size(), c.code == kDone ? 1u : 0u) << c.what;
  }
  EXPECT_EQ(listed(made("plain", std::string(5000, 'a')), kNotThisFormat).size(), 0u);
  EXPECT_EQ(listed(made("empty", std::string()), kNotThisFormat).size(), 0u);
  EXPECT_EQ(listed(tree_.native("missing.ace"), kOpenFailed).size(), 0u);
}

// Headers that end right after the name, that carry more bytes, and one longer than the 2040
// bytes kept: its CRC still covers all of it.
TEST_F(ArchiveAce, ReadsHeadersOfAnyLength) {
  const std::string longName = std::string(2100, 'n') + ".txt";
  AceArchive archive;
  AceMember padded = file("padded.txt", "padded");
  padded.afterName = std::string(40, '\x7f');
  archive.members = {file("short.txt", "short"), padded, file(longName, "long")};
  const auto entries = listed(made("lengths.ace", archive), kDone);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "short.txt");
  EXPECT_EQ(entries[1].name, "padded.txt");
  EXPECT_EQ(entries[2].name, std::string(platform::kMaxPath - 1, 'n'));

  std::string bytes = aceArchive(archive);
  bytes[bytes.rfind("nnnn.txt") + 2] = 'm';
  EXPECT_EQ(listed(made("changed.ace", bytes), kDamagedData).size(), 2u);
}

// Where the walk ends and with what: the first entry refused or damaged gives the code, and the
// entries that could be extracted still are.
TEST_F(ArchiveAce, EndsWithTheCodeOfWhatStoppedIt) {
  const std::vector<AceMember> three = {file("one.txt", "one needle\n"),
                                        file("two.txt", std::string(3000, '2')),
                                        file("three.txt", "three needle\n")};
  auto with = [&](auto change) {
    AceArchive archive;
    archive.members = three;
    change(archive);
    return aceArchive(archive);
  };
  const std::string whole = with([](AceArchive&) {});
  const std::size_t secondHeader = whole.find("two.txt") - 35;
  const struct {
    const char* what;
    std::string bytes;
    int listCode;
    std::size_t listed;
    int extractCode;
    std::size_t extracted;
  } cases[] = {
      {"whole", whole, kDone, 3, kDone, 3},
      {"a later volume", with([](AceArchive& a) { a.volume = 2; }), kLaterVolume, 0, kLaterVolume,
       0},
      {"a header CRC that differs", with([](AceArchive& a) { a.members[1].wrongHeaderCrc = true; }),
       kDamagedData, 1, kDamagedData, 1},
      {"a data CRC that differs", with([](AceArchive& a) { a.members[1].wrongCrc = true; }), kDone,
       3, kDamagedData, 2},
      {"an encrypted entry", with([](AceArchive& a) { a.members[1].flags = 0x4000; }), kDone, 3,
       kEncrypted, 2},
      {"a method of version 2.0", with([](AceArchive& a) { a.members[1].type = 2; }), kDone, 3,
       kDecoderFailed, 2},
      {"an entry continued in the next volume",
       with([](AceArchive& a) { a.members[1].flags = 0x2000; }), kDone, 3, kDecoderFailed, 2},
      {"cut inside a header", whole.substr(0, secondHeader + 10), kDamagedData, 1, kDamagedData, 1},
      {"cut inside the data", whole.substr(0, whole.find("three.txt") - 40), kDamagedData, 2,
       kDamagedData, 1},
      {"cut after a block's size", whole.substr(0, secondHeader + 2), kDamagedData, 1, kDamagedData,
       1},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string path = made("case" + std::to_string(index), c.bytes);
    EXPECT_EQ(listed(path, c.listCode).size(), c.listed) << c.what;
    const std::string out = "out" + std::to_string(index++);
    EXPECT_EQ(extractBelow(path, kModeKeepFolders, out), c.extractCode) << c.what;
    const auto written = testing::filesBelow(tree_.root() / out);
    EXPECT_EQ(written.size(), c.extracted) << c.what;
    for (const auto& [name, contents] : written)
      EXPECT_NE(contents.find(name == "two.txt" ? "222" : "needle"), std::string::npos) << c.what;
  }
  // A file header too short for the name it announces, whose CRC matches.
  std::string shortName = whole;
  shortName[secondHeader + 4 + 29] = 100;
  const uint16_t size = static_cast<uint8_t>(shortName[secondHeader + 2]) |
                        static_cast<uint8_t>(shortName[secondHeader + 3]) << 8;
  const uint32_t crc = ~crcOf(shortName.substr(secondHeader + 4, size)) & 0xFFFF;
  shortName[secondHeader] = static_cast<char>(crc & 0xFF);
  shortName[secondHeader + 1] = static_cast<char>(crc >> 8);
  const std::string path = made("short-name.ace", shortName);
  EXPECT_EQ(listed(path, kDamagedData).size(), 1u);
}

// In a solid archive the one entry asked for needs every entry before it decoded, stored ones
// included; only it is written.
TEST_F(ArchiveAce, SolidArchivesDecodeTheEntriesBeforeTheOneAskedFor) {
  AceArchive archive;
  archive.solid = true;
  const std::string words = "solid needle haystack words " + std::string(500, 'w');
  archive.members = {file("first.txt", words), file("stored.txt", words + "!", 0),
                     file("last.txt", words + words + "last")};
  const std::string path = made("solid.ace", archive);
  ExtractionRequest request;
  request.archivePath = path.c_str();
  const std::string target = tree_.native("entry.tmp");
  request.targetPath = target.c_str();
  request.singleEntry = "last.txt";
  EXPECT_EQ(extractAce(request, host_.services), kDone);
  ASSERT_EQ(host_.extractedContents.size(), 1u);
  EXPECT_EQ(host_.extractedContents[0], words + words + "last");
  EXPECT_EQ(host_.callsOf("CreateOutputFile").size(), 1u);
  host_.expectNoLeaks();

  // An abort asked for before the start writes nothing.
  std::atomic<uint32_t> abort{1};
  EXPECT_EQ(testing::extractToTarget(host_, path, target, kAce, &abort), kDone);
  EXPECT_EQ(host_.extractedContents.size(), 1u);
}

TEST_F(ArchiveAce, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const auto written = extractHostile(fixture("hostile-names.ace"));
  // The 300-character name does not fit a path and is skipped.
  EXPECT_EQ(written.size(), 7u);
  for (const auto& [name, contents] : written)
    EXPECT_NE(contents.find("needle"), std::string::npos) << name;
  const auto entries = listed(fixture("hostile-names.ace"), kDone);
  ASSERT_EQ(entries.size(), 8u);
  EXPECT_EQ(entries[1].name, "..\\escape.txt");
  EXPECT_EQ(entries[7].name.size(), platform::kMaxPath - 1);
}

TEST_F(ArchiveAce, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string target = tree_.native("entry.tmp");
  EXPECT_EQ(testing::extractToTarget(host_, fixture("tree-solid.ace"), target, kAce), kDone);
  EXPECT_EQ(host_.extractedContents.size(), 9u);
  std::size_t holding = 0;
  for (const std::string& contents : host_.extractedContents)
    holding += contents.find("needle") != std::string::npos;
  EXPECT_EQ(holding, 7u);
  host_.expectNoLeaks();
}

// Every cut and many changed bytes of a small archive end with a layer code, leave nothing open
// and write only whole, checked entries.
TEST_F(ArchiveAce, DamagedArchivesEndCleanly) {
  AceArchive archive;
  archive.solid = true;
  archive.members = {file("a.txt", "alpha needle alpha needle alpha\n"), aceFolder("dir"),
                     file("dir\\b.txt", std::string(700, 'b') + "needle"),
                     file("c.txt", "gamma", 0)};
  const std::string whole = aceArchive(archive);
  std::vector<std::string> copies;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) copies.push_back(whole.substr(0, cut));
  uint32_t state = 12345;
  for (int round = 0; round < 300; ++round) {
    std::string changed = whole;
    state = state * 1664525u + 1013904223u;
    changed[(state >> 8) % whole.size()] = static_cast<char>(state >> 24);
    copies.push_back(changed);
  }
  const std::string path = tree_.native("damaged.ace");
  for (const std::string& copy : copies) {
    tree_.file("damaged.ace", copy);
    fs::remove_all(tree_.root() / "out");
    ListingRecorder recorder;
    const int listCode = list(path, recorder);
    EXPECT_TRUE(listCode == kDone || listCode == kDamagedData || listCode == kNotThisFormat ||
                listCode == kLaterVolume);
    const int code = extractBelow(path);
    EXPECT_LE(code, 0);
    for (const auto& [name, contents] : testing::filesBelow(tree_.root() / "out"))
      EXPECT_TRUE(contents == "alpha needle alpha needle alpha\n" ||
                  contents == std::string(700, 'b') + "needle" || contents == "gamma")
          << name;
  }
}

// A stand-in for UnAceV2.Dll: it writes the files it is given below the destination folder and
// tells the state callback about each, as the library does.
struct FakeLibrary {
  inline static unace::GlobalData global{};
  inline static std::vector<std::pair<std::string, std::string>> files;
  inline static int32_t result = 0;
  inline static std::string list;
  inline static bool excludedPath = false;

  static int32_t OSTRYA_LIBRARY_CALL init(unace::InitArguments* arguments) {
    global = arguments->global;
    return 0;
  }
  static int32_t OSTRYA_LIBRARY_CALL extract(char*, unace::ExtractArguments* arguments) {
    list = arguments->files.list;
    excludedPath = arguments->excludePath != 0;
    for (auto& [name, contents] : files) {
      std::string relative = name;
      if (excludedPath) relative = relative.substr(relative.rfind('\\') + 1);
      std::replace(relative.begin(), relative.end(), '\\', '/');
      std::string written = std::string(arguments->destinationFolder) + "/" + relative;
      fs::create_directories(fs::path(written).parent_path());
      std::ofstream(written, std::ios::binary) << contents;
      unace::FileData data{};
      data.sourceFileName = name.data();
      data.destinationFileName = written.data();
      data.size = contents.size();
      data.time = aceTime(2020, 1, 2, 3, 4, 6);
      data.attributes = kEntryArchive;
      unace::ArchivedFileCallback callback{};
      callback.head = {unace::kCrcCheckStructure, unace::kFileWrittenState, 3, &global};
      callback.file = &data;
      if (global.state(&callback.head) == unace::kAnswerCancel) return 255;
    }
    return result;
  }
};

class ArchiveAceLibrary : public ArchiveAce {
 protected:
  void SetUp() override {
    FakeLibrary::files = {{"one.txt", "one needle\n"}, {"sub\\two.txt", "two needle\n"}};
    FakeLibrary::result = 0;
  }
  int run(ExtractionRequest& request) {
    const std::string archive = made("v20.ace", std::string("not read by the stand-in"));
    request.archivePath = archive.c_str();
    const int code = extractThroughAceLibrary(request, host_.services,
                                              {FakeLibrary::init, FakeLibrary::extract});
    host_.expectNoLeaks();
    return code;
  }
};

TEST_F(ArchiveAceLibrary, WithoutTheLibraryNothingIsExtracted) {
  ExtractionRequest request;
  request.archivePath = "any.ace";
  EXPECT_EQ(extractThroughAceLibrary(request, host_.services, {}), kUnsupportedMethod);
  EXPECT_TRUE(host_.calls.empty());
}

TEST_F(ArchiveAceLibrary, WritesBelowTheOutputFolderWhereTheLibraryPutsThem) {
  const std::string out = tree_.native("out");
  ExtractionRequest request;
  request.outputFolder = out.c_str();
  request.mode = kModeKeepFolders;
  EXPECT_EQ(run(request), kDone);
  EXPECT_EQ(FakeLibrary::list, "*");
  EXPECT_FALSE(FakeLibrary::excludedPath);
  const auto written = testing::filesBelow(tree_.root() / "out");
  EXPECT_EQ(written.size(), 2u);
  EXPECT_EQ(written.at("sub/two.txt"), "two needle\n");
  EXPECT_TRUE(host_.callsOf("OnEntryExtracted").empty());
}

// To a target path each file goes in turn, to the content search; the scratch folder the library
// wrote into goes at the end.
TEST_F(ArchiveAceLibrary, HandsEachFileToTheContentSearchThroughTheTargetPath) {
  const std::string target = tree_.native("entry.tmp");
  ExtractionRequest request;
  request.targetPath = target.c_str();
  EXPECT_EQ(run(request), kDone);
  EXPECT_TRUE(FakeLibrary::excludedPath);
  EXPECT_EQ(host_.extractedContents, (std::vector<std::string>{"one needle\n", "two needle\n"}));
  for (const auto& item : fs::directory_iterator(tree_.root()))
    EXPECT_TRUE(item.path() == target || item.path().filename() == "v20.ace") << item.path();

  // Its failures as the layer's codes; a stop answered to the overwrite question is success.
  FakeLibrary::result = 9;
  EXPECT_EQ(run(request), kDamagedData);
  FakeLibrary::result = 7;
  EXPECT_EQ(run(request), kWriteFailed);
  FakeLibrary::result = 0;
  host_.overwriteAnswer = kStopExtraction;
  host_.extractedContents.clear();
  EXPECT_EQ(run(request), kDone);
  EXPECT_TRUE(host_.extractedContents.empty());
}

}  // namespace
}  // namespace ostrya::archive
