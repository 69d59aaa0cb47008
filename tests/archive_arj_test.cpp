#include <gtest/gtest.h>

#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/formats/arj.h"
#include "archive/formats/arj_entry_data.h"
#include "archive_fixture_tree.h"
#include "decoder_memory_streams.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("arj/" + name).string();
}

// Path -> CRC-32 of the file arj itself extracted.
std::map<std::string, uint32_t> arjContents(const std::string& name) {
  return testing::independentCrcs(fixture(name) + ".crc");
}

uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      ::crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Text as a DOS text stream writes it.
std::string dosText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// ---- Archives made here, header by header.

struct Member {
  std::string name;
  std::string data;
  uint8_t method = 0;
  uint8_t fileType = 0;
  uint8_t hostSystem = 0;
  uint8_t flags = 0;
  uint8_t minimumVersion = 1;
  uint8_t archiverVersion = 11;
  std::string extended;       // one extended header's bytes, when not empty
  std::string original = "";  // the decoded bytes when `data` is compressed
};

constexpr uint32_t kStamp = (((2021 - 1980) << 9 | 11 << 5 | 11) << 16) | (11 << 11 | 11 << 5 | 5);

void put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8 & 0xFF);
}
void put32(std::string& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

std::string header(const Member& member, uint8_t fileType, const std::string& original) {
  std::string basic;
  basic += static_cast<char>(30);
  basic += static_cast<char>(member.archiverVersion);
  basic += static_cast<char>(member.minimumVersion);
  basic += static_cast<char>(member.hostSystem);
  basic += static_cast<char>(member.flags);
  basic += static_cast<char>(member.method);
  basic += static_cast<char>(fileType);
  basic += '\0';
  put32(basic, kStamp);
  put32(basic, static_cast<uint32_t>(member.data.size()));
  put32(basic, static_cast<uint32_t>(original.size()));
  put32(basic, crcOf(original));
  put16(basic, 0);
  put16(basic, 0x20);
  put16(basic, 0);
  basic += member.name + '\0' + '\0';
  std::string out = "\x60\xEA";
  put16(out, static_cast<uint32_t>(basic.size()));
  out += basic;
  put32(out, crcOf(basic));
  if (!member.extended.empty()) {
    put16(out, static_cast<uint32_t>(member.extended.size()));
    out += member.extended;
    put32(out, crcOf(member.extended));
  }
  put16(out, 0);
  return out;
}

std::string arjArchive(const std::vector<Member>& members, const std::string& stub = "") {
  std::string out = stub + header(Member{"made-here.arj"}, 2, "");
  for (const Member& member : members) {
    const std::string& original = member.original.empty() ? member.data : member.original;
    out += header(member, member.fileType, original) + member.data;
  }
  return out + std::string("\x60\xEA\0\0", 4);
}

// A method-4 stream of literals only: a 0 bit and the byte's 8 bits each.
std::string method4Literals(const std::string& text) {
  std::string out;
  uint32_t bits = 0;
  unsigned held = 0;
  for (unsigned char c : text) {
    bits = bits << 9 | c;
    held += 9;
    while (held >= 8) {
      out += static_cast<char>(bits >> (held - 8));
      held -= 8;
    }
  }
  if (held > 0) out += static_cast<char>(bits << (8 - held));
  return out;
}

struct ArjReader : testing::FixtureReaderTest<listArj, extractArj> {
  std::string made(const std::string& name, const std::string& contents) {
    tree_.file(name, contents);
    return tree_.native(name);
  }
  std::map<std::string, std::string> out() { return testing::filesBelow(tree_.root() / "out"); }
};

TEST_F(ArjReader, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name :
       {"stored.arj", "method1.arj", "method2.arj", "method3.arj", "method4.arj", "text-mode.arj",
        "garbled.arj", "folders.arj", "first-volume.arj", "sfx.exe"})
    expectIndependentListing(fixture(name), kDone);
}

// Flags, attributes and the CRC-32 in the format-specific argument.
TEST_F(ArjReader, ListsFlagsAttributesAndChecks) {
  ListingRecorder garbled;
  EXPECT_EQ(list(fixture("garbled.arj"), garbled), kDone);
  ASSERT_EQ(garbled.entries.size(), 3u);
  EXPECT_EQ(garbled.entries[0].flag, kEncryptedFlag);
  EXPECT_EQ(garbled.entries[1].flag, kEncryptedFlag);
  EXPECT_EQ(garbled.entries[2].flag, '\0');
  // arj marks '/' separators in the names without any, not in the others.
  EXPECT_EQ(garbled.entries[2].name, "sub/inner.txt");

  ListingRecorder folders;
  EXPECT_EQ(list(fixture("folders.arj"), folders), kDone);
  ASSERT_EQ(folders.entries.size(), 6u);
  EXPECT_EQ(folders.entries[0].name, "sub");
  EXPECT_EQ(folders.entries[0].attributes, kEntryArchive | kEntryFolder);
  EXPECT_EQ(folders.entries[1].attributes, kEntryArchive);

  static std::vector<uint32_t> checks;
  checks.clear();
  ListingContext context;
  listArj(
      fixture("method4.arj").c_str(), &context,
      [](const char*, uint16_t, uint16_t, uint32_t, char, uint32_t, uint32_t, uint32_t check,
         ListingContext*) { checks.push_back(check); },
      host_.services, nullptr);
  const auto contents = arjContents("method4.arj");
  ASSERT_EQ(checks.size(), 6u);
  EXPECT_EQ(checks[1], contents.at("haystack.txt"));
  EXPECT_EQ(checks[3], contents.at("binary.dat"));
}

TEST_F(ArjReader, ExtractsEveryMethodToWhatArjItselfExtracts) {
  for (const char* name :
       {"stored.arj", "method1.arj", "method2.arj", "method3.arj", "method4.arj", "sfx.exe"}) {
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(fixture(name)), kDone) << name;
    EXPECT_EQ(testing::crcsOf(out()), arjContents(name)) << name;
  }
  // Without folders every file lands in the output folder itself.
  fs::remove_all(tree_.root() / "out");
  EXPECT_EQ(extractBelow(fixture("method1.arj"), 0), kDone);
  EXPECT_EQ(out().count("inner.txt"), 1u);
}

// LF becomes CR LF in text entries, whose bytes lose their top bit (a DOS host); the CRC-32 is
// over the bytes as stored. The binary entry beside them is written as it is.
TEST_F(ArjReader, WritesTextEntriesAsDosText) {
  EXPECT_EQ(extractBelow(fixture("text-mode.arj")), kDone);
  const auto files = out();
  const auto tree = testing::fixtureTreeFiles(false);
  EXPECT_EQ(files.at("readme.txt"), dosText(tree.at("readme.txt")));
  EXPECT_EQ(files.at("haystack.txt"), dosText(tree.at("haystack.txt")));
  std::string sevenBit =
      "Gr\xc3\xbc\xc3\x9f"
      "e aus dem Heuhaufen: needle\n";
  for (char& c : sevenBit) c = static_cast<char>(c & 0x7F);
  EXPECT_EQ(files.at("eight-bit.txt"), dosText(sevenBit));
  EXPECT_EQ(crcOf(files.at("binary.dat")), arjContents("method1.arj").at("binary.dat"));
}

TEST(ArjOutputStep, ClearsTopBitsOfTextUnlessFromUnix) {
  const std::string bytes = "a\xE9\n\x8A";
  const auto written = [&](uint8_t fileType, uint8_t host) {
    testing::MemoryOutput output;
    ArjHeader header;
    header.fileType = fileType;
    header.hostSystem = host;
    ArjOutputStep step(output, header);
    EXPECT_TRUE(step.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(step.crc(), crcOf(bytes));
    return std::string(output.bytes.begin(), output.bytes.end());
  };
  EXPECT_EQ(written(kArjBinaryFile, 0), bytes);
  // 0x8A loses its top bit and is a line feed then.
  EXPECT_EQ(written(kArjTextFile, 0), "ai\r\n\r\n");
  EXPECT_EQ(written(kArjTextFile, kArjUnixHost), "a\xE9\r\n\x8A");
}

// Refused and damaged entries are passed over: no output is left for them and the walk goes on.
TEST_F(ArjReader, PassesOverRefusedAndDamagedEntries) {
  const struct {
    const char* name;
    int code;
    std::vector<std::string> written;
    // Outputs made: the written files, and a damaged entry's, which is deleted again.
    std::size_t made;
  } cases[] = {
      {"garbled.arj", kEncrypted, {"sub/inner.txt"}, 1},
      {"folders.arj",
       kArjTypeNotExtractable,
       {"readme.txt", "sub/deeper/deepest.txt", "sub/inner.txt"},
       3},
      {"damaged-version4.arj",
       kNeedsNewerArj,
       {"binary.dat", "notes with blank.txt", "readme.txt", "skewed.dat", "sub/inner.txt"},
       5},
      // Cut inside the compressed data of binary.dat: zero bits from there on, a CRC-32 that
      // differs, and the end of the file where the next header would be.
      {"damaged-truncated.arj", kDamagedData, {"haystack.txt", "readme.txt", "sub/inner.txt"}, 4},
      // The third header's CRC-32 differs: the walk ends there.
      {"damaged-header-crc.arj", kDamagedData, {"haystack.txt", "readme.txt"}, 2},
  };
  for (const auto& c : cases) {
    fs::remove_all(tree_.root() / "out");
    host_.calls.clear();
    EXPECT_EQ(extractBelow(fixture(c.name)), c.code) << c.name;
    std::vector<std::string> written;
    for (const auto& [path, data] : out()) written.push_back(path);
    EXPECT_EQ(written, c.written) << c.name;
    EXPECT_EQ(host_.callsOf("CreateOutputFile").size(), c.made) << c.name;
  }
  EXPECT_FALSE(fs::exists(tree_.root() / "out" / "empty"));

  ListingRecorder cut;
  EXPECT_EQ(list(fixture("damaged-truncated.arj"), cut), kDone);
  EXPECT_EQ(cut.entries.size(), 4u);
  ListingRecorder broken;
  EXPECT_EQ(list(fixture("damaged-header-crc.arj"), broken), kDamagedData);
  EXPECT_EQ(broken.entries.size(), 2u);
}

// Each refusal, decided before an output is made; the entries after it still come out.
TEST_F(ArjReader, RefusalCodes) {
  const std::string text = "refused or not: needle\n";
  Member method4{"m4.txt", method4Literals(text), 4};
  method4.original = text;
  Member method4ByVersion1 = method4;
  method4ByVersion1.archiverVersion = 1;
  Member version3{"v3.txt", text};
  version3.minimumVersion = 3;
  Member version4 = version3;
  version4.minimumVersion = 4;
  Member garbled{"g.txt", text};
  garbled.flags = kArjGarbled;
  Member chapter{"chapter", ""};
  chapter.fileType = 4;
  const struct {
    const char* what;
    Member member;
    int code;
  } cases[] = {
      {"method 4", method4, kDone},
      {"method 4 by archiver version 1", method4ByVersion1, kUnsupportedMethod},
      {"method 5", Member{"m5.txt", text, 5}, kUnsupportedMethod},
      {"minimum version 3", version3, kDone},
      {"minimum version 4", version4, kNeedsNewerArj},
      {"garbled", garbled, kEncrypted},
      {"a chapter label is no entry", chapter, kDone},
  };
  for (const auto& c : cases) {
    const std::string path = made("refusal.arj", arjArchive({c.member, Member{"after.txt", text}}));
    fs::remove_all(tree_.root() / "out");
    host_.calls.clear();
    EXPECT_EQ(extractBelow(path), c.code) << c.what;
    const auto files = out();
    EXPECT_EQ(files.size(), c.code == kDone && c.member.fileType != 4 ? 2u : 1u) << c.what;
    EXPECT_EQ(files.at("after.txt"), text) << c.what;
    EXPECT_EQ(host_.callsOf("CreateOutputFile").size(), files.size()) << c.what;
  }

  // An overwrite answer of 104 on a refused entry ends the extraction with success.
  const std::string path = made("stop.arj", arjArchive({garbled, Member{"after.txt", text}}));
  fs::remove_all(tree_.root() / "out");
  host_.overwriteAnswer = kStopExtraction;
  EXPECT_EQ(extractBelow(path), kDone);
  EXPECT_TRUE(out().empty());
}

// ARJ's own search for the main header reaches byte 500000 of a self-extracting file.
TEST_F(ArjReader, FindsTheMainHeaderBehindAStubUpTo500000Bytes) {
  const std::string archive = arjArchive({Member{"in.txt", "behind a stub\n"}});
  const struct {
    std::size_t stub;
    std::size_t entries;
    int code;
  } cases[] = {{400000, 1, kDone}, {499999, 1, kDone}, {500000, 0, kNotThisFormat}};
  for (const auto& c : cases) {
    // A stub of bytes that hold markers but no header.
    std::string stub(c.stub, 'M');
    for (std::size_t at = 0; at + 8 < c.stub; at += 4099)
      stub.replace(at, 4, std::string("\x60\xEA\x1E\x00", 4));
    const std::string path = made("stub.exe", stub + archive);
    ListingRecorder recorder;
    EXPECT_EQ(list(path, recorder), c.code) << c.stub;
    EXPECT_EQ(recorder.entries.size(), c.entries) << c.stub;
  }
}

// Host system 2 keeps every byte of a name; others lose the top bit. Flag bit 4 says the
// separators are '/', which become '\'. Extended headers are skipped.
TEST_F(ArjReader, NamesFollowTheHostAndTheSeparatorFlag) {
  Member unix{"d/\xC3\xA9t\xC3\xA9.txt", "x"};
  unix.hostSystem = kArjUnixHost;
  unix.flags = kArjSlashSeparators;
  Member dos{"d/\xC3\xA9t\xC3\xA9.txt", "y"};
  dos.extended = "an extended header";
  ListingRecorder recorder;
  EXPECT_EQ(list(made("names.arj", arjArchive({unix, dos})), recorder), kDone);
  ASSERT_EQ(recorder.entries.size(), 2u);
  EXPECT_EQ(recorder.entries[0].name, "d\\\xC3\xA9t\xC3\xA9.txt");
  EXPECT_EQ(recorder.entries[1].name, "d/C)tC).txt");
  EXPECT_EQ(extractBelow(tree_.native("names.arj")), kDone);
  EXPECT_EQ(out().at("d/C)tC).txt"), "y");
}

TEST_F(ArjReader, HostileNamesWriteNothingOutsideTheOutputFolder) {
  const auto written = extractHostile(fixture("hostile-names.arj"));
  EXPECT_FALSE(written.empty());
  for (const auto& [path, data] : written) EXPECT_NE(data.find("needle"), std::string::npos);
  ListingRecorder recorder;
  EXPECT_EQ(list(fixture("hostile-names.arj"), recorder), kDone);
  EXPECT_EQ(recorder.entries.size(), 10u);
}

// The walk's ends for archives cut or changed here.
TEST_F(ArjReader, EndsOfTheWalk) {
  const std::string one = arjArchive({Member{"one.txt", "1"}});
  const std::string two = arjArchive({Member{"one.txt", "1"}, Member{"two.txt", "2"}});
  // The second entry's header begins after the main header, the first header and its data.
  const std::size_t second = one.size() - 4;
  std::string wrongMarker = two;
  wrongMarker[second] = 'X';
  std::string tooLarge = two;
  tooLarge[second + 3] = '\x20';
  const struct {
    const char* what;
    std::string contents;
    int code;
    std::size_t entries;
  } cases[] = {
      {"no header at all", std::string(5000, 'x'), kNotThisFormat, 0},
      {"the end marker", two, kDone, 2},
      {"the end of the file instead of the end marker", two.substr(0, two.size() - 4), kDone, 2},
      {"cut inside the marker", two.substr(0, two.size() - 3), kDamagedData, 2},
      {"cut inside a header", two.substr(0, second + 20), kDamagedData, 1},
      {"a wrong marker", wrongMarker, kNotThisFormat, 1},
      {"a header size past 2600", tooLarge, kDamagedData, 1},
  };
  for (const auto& c : cases) {
    ListingRecorder recorder;
    EXPECT_EQ(list(made("walk.arj", c.contents), recorder), c.code) << c.what;
    EXPECT_EQ(recorder.entries.size(), c.entries) << c.what;
  }
}

TEST_F(ArjReader, ExtractionToATargetHandsEveryEntryToTheContentSearch) {
  const std::string target = tree_.native("entry.tmp");
  EXPECT_EQ(testing::extractToTarget(host_, fixture("method3.arj"), target, kArj), kDone);
  ASSERT_EQ(host_.extractedContents.size(), 6u);
  EXPECT_EQ(crcOf(host_.extractedContents[3]), arjContents("method3.arj").at("binary.dat"));
  host_.expectNoLeaks();

  // An abort word already set writes nothing.
  host_.extractedContents.clear();
  const std::atomic<uint32_t> abort{1};
  EXPECT_EQ(testing::extractToTarget(host_, fixture("method3.arj"), target, kArj, &abort), kDone);
  EXPECT_TRUE(host_.extractedContents.empty());
}

TEST_F(ArjReader, FirstVolumeGivesTheFilePartItHolds) {
  EXPECT_EQ(extractBelow(fixture("first-volume.arj")), kDone);
  const auto files = out();
  EXPECT_EQ(files.at("haystack.txt"), testing::fixtureHaystack());
  ListingRecorder recorder;
  list(fixture("first-volume.arj"), recorder);
  ASSERT_EQ(recorder.entries.size(), 3u);
  EXPECT_EQ(files.at("binary.dat").size(), recorder.entries[2].size);
}

}  // namespace
}  // namespace ostrya::archive
