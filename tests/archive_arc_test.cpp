#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "arc_crunch_encoder.h"
#include "archive/formats/arc.h"
#include "archive_fixture_tree.h"
#include "decoder_memory_streams.h"
#include "engines/arc/arc_lzw.h"
#include "engines/arc/arc_run_length.h"
#include "engines/arc/arc_unsqueeze.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
namespace arc = engines::arc;
using engines::Decoded;
using testing::ArcBytes;
using testing::arcEntry;
using testing::kArcEnd;
using testing::ListingRecorder;
using testing::MemoryInput;
using testing::MemoryOutput;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("arc/" + name).string();
}

ArcBytes bytesOf(const std::string& text) {
  return ArcBytes(text.begin(), text.end());
}

// Text with repeats, a long run, every byte value and a stretch without repeats: the crunched
// table fills up well before the end.
ArcBytes variedData() {
  std::string text;
  for (int i = 0; i < 300; ++i)
    text += "the needle in line " + std::to_string(i * 7919 % 1000) + "\n";
  ArcBytes data = bytesOf(text);
  data.insert(data.end(), 700, 'a');
  for (int i = 0; i < 512; ++i) data.push_back(static_cast<uint8_t>(i));
  uint32_t state = 1;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1103515245 + 12345;
    data.push_back(static_cast<uint8_t>(state >> 16));
  }
  return data;
}

struct DecodedBytes {
  Decoded result;
  ArcBytes bytes;
};

template <typename Decode>
DecodedBytes decode(const ArcBytes& packed, Decode&& run, bool runLengths = false) {
  MemoryInput input(packed, 1000);
  MemoryOutput output;
  if (!runLengths) return {run(input, output), output.bytes};
  arc::RunLengthOutput expanded(output);
  Decoded result = run(input, expanded);
  if (result == Decoded::Complete && !expanded.finish()) result = Decoded::OutputStopped;
  return {result, output.bytes};
}

TEST(ArcDecoders, CrunchedDataDecodesWithEitherHash) {
  const ArcBytes data = variedData();
  for (bool newer : {false, true}) {
    const auto hash = newer ? arc::CrunchHash::New : arc::CrunchHash::Old;
    const auto uncrunch = [&](auto& in, auto& out) { return arc::uncrunch(in, out, hash); };
    const DecodedBytes plain = decode(testing::crunchArcData(data, newer), uncrunch);
    EXPECT_EQ(plain.result, Decoded::Complete);
    EXPECT_EQ(plain.bytes, data) << "newer hash " << newer;
    // Methods 6 and 7 crunch what the run-length step made.
    const DecodedBytes runs =
        decode(testing::crunchArcData(testing::packArcRuns(data), newer), uncrunch, true);
    EXPECT_EQ(runs.bytes, data) << "newer hash " << newer;
    // A string repeated right after it was made ("aaa"), and data of a single byte.
    EXPECT_EQ(decode(testing::crunchArcData(bytesOf("aaaaaaa"), newer), uncrunch).bytes,
              bytesOf("aaaaaaa"));
    EXPECT_EQ(decode(testing::crunchArcData(bytesOf("x"), newer), uncrunch).bytes, bytesOf("x"));
  }
  // The hashes place strings differently: one decoded with the other's table comes out wrong.
  const auto old = [](auto& in, auto& out) { return arc::uncrunch(in, out, arc::CrunchHash::Old); };
  EXPECT_NE(decode(testing::crunchArcData(data, true), old).bytes, data);
}

TEST(ArcDecoders, RunLengthStep) {
  const auto copy = [](engines::CompressedInput& in, engines::DecodedOutput& out) {
    uint8_t buffer[64];
    for (std::size_t got = 0; in.read(buffer, sizeof buffer, got) && got > 0;)
      if (!out.write(buffer, got)) return Decoded::OutputStopped;
    return Decoded::Complete;
  };
  EXPECT_EQ(decode({'A', 0x90, 5}, copy, true).bytes, bytesOf("AAAAA"));
  // An escaped marker is written but is not the byte a later run repeats.
  EXPECT_EQ(decode({'B', 0x90, 0, 0x90, 3}, copy, true).bytes, (ArcBytes{'B', 0x90, 'B', 'B'}));
  // A run split across writes, and a count of one that repeats nothing.
  EXPECT_EQ(decode({'C', 0x90, 1, 'D', 0x90, 255}, copy, true).bytes.size(), 256u);
  const ArcBytes data = variedData();
  EXPECT_EQ(decode(testing::packArcRuns(data), copy, true).bytes, data);
}

TEST(ArcDecoders, SqueezedTreesAndTheirLimits) {
  // Node 0: 'A' on bit 0, node 1 on bit 1; node 1: 'B' on bit 0, the end on bit 1. "AAB" and
  // the end are the bits 0 0 1 0 1 1, least significant first.
  const ArcBytes tree = {2, 0, 0xBE, 0xFF, 1, 0, 0xBD, 0xFF, 0xFF, 0xFE};
  ArcBytes packed = tree;
  packed.push_back(0x34);
  EXPECT_EQ(decode(packed, arc::unsqueeze).bytes, bytesOf("AAB"));
  // Data that ends without the end code stops where it ends.
  packed.back() = 0x00;
  EXPECT_EQ(decode(packed, arc::unsqueeze).bytes, bytesOf("AAAAAAAA"));

  ArcBytes tooMany = {1, 1};  // 257 nodes
  tooMany.resize(2 + 257 * 4, 0xFF);
  EXPECT_EQ(decode(tooMany, arc::unsqueeze).result, Decoded::Damaged);
  // A child that names a node past the tree, or a value past the end code.
  EXPECT_EQ(decode({1, 0, 5, 0, 5, 0, 0xFF}, arc::unsqueeze).result, Decoded::Damaged);
  EXPECT_EQ(decode({1, 0, 0xFE, 0xFE, 0xFE, 0xFE, 0xFF}, arc::unsqueeze).result, Decoded::Damaged);
}

TEST(ArcDecoders, DynamicCodesBeyondTheTable) {
  // 'A' and then code 300 while 257 is the next free one, nine bits each.
  const ArcBytes codes = {0x41, 0x58, 0x02};
  const auto squashed = [](auto& in, auto& out) {
    return arc::undynamic(in, out, arc::DynamicLzw::Squashed);
  };
  const auto crunched = [](auto& in, auto& out) {
    return arc::undynamic(in, out, arc::DynamicLzw::Crunched);
  };
  EXPECT_EQ(decode(codes, squashed).result, Decoded::Damaged);
  ArcBytes withWidth = {12};
  withWidth.insert(withWidth.end(), codes.begin(), codes.end());
  const DecodedBytes quiet = decode(withWidth, crunched);
  EXPECT_EQ(quiet.result, Decoded::Complete);
  EXPECT_EQ(quiet.bytes, bytesOf("A"));
  // Dynamic crunching names its widest code first; nothing else is known.
  withWidth[0] = 13;
  EXPECT_EQ(decode(withWidth, crunched).result, Decoded::Damaged);
  // No data at all decodes to nothing.
  EXPECT_EQ(decode({}, crunched).result, Decoded::Complete);
}

TEST(ArcDecoders, AFailedReadOrWriteStopsTheDecoder) {
  const ArcBytes packed = testing::crunchArcData(variedData(), false);
  MemoryInput failing(packed, 100, 500);
  MemoryOutput output;
  EXPECT_EQ(arc::uncrunch(failing, output, arc::CrunchHash::Old), Decoded::InputFailed);
  MemoryInput input(packed);
  MemoryOutput full(1000);
  EXPECT_EQ(arc::uncrunch(input, full, arc::CrunchHash::Old), Decoded::OutputStopped);
}

class ArchiveArc : public testing::FixtureReaderTest<listArc, extractArc> {
 protected:
  // Archives lie outside the tree that extractions write to.
  std::string write(const std::string& name, const std::vector<ArcBytes>& entries) {
    std::string contents;
    for (const ArcBytes& entry : entries) contents.append(entry.begin(), entry.end());
    archives_.file(name, contents);
    return archives_.native(name);
  }
  testing::TempTree archives_;
};

TEST_F(ArchiveArc, EveryMethodExtractsToItsBytes) {
  const ArcBytes data = variedData();
  const ArcBytes runs = testing::packArcRuns(data);
  const std::string path =
      write("methods.arc",
            {arcEntry(1, "OLD.TXT", data, data), arcEntry(2, "STORED.TXT", data, data),
             arcEntry(3, "PACKED.TXT", runs, data),
             arcEntry(5, "CRUNCH5.TXT", testing::crunchArcData(data, false), data),
             arcEntry(6, "CRUNCH6.TXT", testing::crunchArcData(runs, false), data),
             arcEntry(7, "CRUNCH7.TXT", testing::crunchArcData(runs, true), data), kArcEnd});
  ListingRecorder recorder;
  EXPECT_EQ(list(path, recorder), kDone);
  ASSERT_EQ(recorder.entries.size(), 6u);
  // The old-style header has no field for the unpacked size: it is the packed size.
  EXPECT_EQ(recorder.entries[0].size, data.size());
  EXPECT_EQ(recorder.entries[0].dosDate, 0x5A21);

  EXPECT_EQ(extractBelow(path), kDone);
  const std::string expected(data.begin(), data.end());
  const auto files = testing::filesBelow(tree_.root() / "out");
  ASSERT_EQ(files.size(), 6u);
  for (const auto& [name, contents] : files) EXPECT_TRUE(contents == expected) << name;
}

TEST_F(ArchiveArc, FixturesListAsTheIndependentReaderDoesAndExtract) {
  for (const char* name : {"crunched.arc", "squashed.arc"}) {
    expectIndependentListing(fixture(name), kDone);
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(fixture(name)), kDone) << name;
    const auto files = testing::filesBelow(tree_.root() / "out");
    EXPECT_EQ(files.size(), 6u) << name;
    for (const auto& [file, contents] : files)
      EXPECT_NE(contents.find("needle"), std::string::npos) << name << " " << file;
  }
}

// What a damaged entry ends with; its output never stays behind.
TEST_F(ArchiveArc, DamagedEntriesEndWithTheirCodes) {
  const ArcBytes data = bytesOf("needle in a haystack, needle in a haystack\n");
  ArcBytes wrongCrc = arcEntry(2, "A.TXT", data, data);
  wrongCrc[23] ^= 1;
  // The header says fewer bytes than the data decodes to.
  ArcBytes tooLong = arcEntry(2, "B.TXT", data, data);
  tooLong[25] = 10;
  ArcBytes tooManyNodes = {1, 1};
  tooManyNodes.resize(2 + 257 * 4, 0xFF);
  const struct {
    const char* what;
    ArcBytes entry;
    int code;
  } cases[] = {
      {"crc", wrongCrc, kDamagedData},
      {"size", tooLong, kDamagedData},
      {"nodes", arcEntry(4, "C.TXT", tooManyNodes, data), kDecoderFailed},
      {"width", arcEntry(8, "D.TXT", {13, 0x41, 0x58, 0x02}, data), kDecoderFailed},
      {"code", arcEntry(9, "E.TXT", {0x41, 0x58, 0x02}, data), kDecoderFailed},
  };
  for (const auto& c : cases) {
    const std::string path = write(std::string(c.what) + ".arc", {c.entry, kArcEnd});
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(path), c.code) << c.what;
    EXPECT_TRUE(testing::filesBelow(tree_.root() / "out").empty()) << c.what;
  }
}

TEST_F(ArchiveArc, WalkEndsAtTheEndMarkerOrWhereTheFileDoes) {
  const ArcBytes data = bytesOf("needle\n");
  const ArcBytes one = arcEntry(2, "ONE.TXT", data, data);
  ArcBytes cut = arcEntry(2, "TWO.TXT", data, data);
  cut.resize(20);
  ArcBytes beyond = arcEntry(2, "FAR.TXT", data, data);
  beyond[15] = 0xFF;  // data that reaches past the file
  const struct {
    const char* what;
    std::vector<ArcBytes> entries;
    int code;
    std::size_t listed;
  } cases[] = {
      {"end", {one, kArcEnd, one}, kDone, 1},
      {"no end", {one, one}, kDone, 2},
      {"cut header", {one, cut}, kDone, 1},
      {"beyond", {one, beyond, one}, kDone, 2},
      {"not arc", {bytesOf("PK\x03\x04 no arc here at all, no")}, kNotThisFormat, 0},
  };
  for (const auto& c : cases) {
    const std::string path = write("walk.arc", c.entries);
    ListingRecorder recorder;
    EXPECT_EQ(list(path, recorder), c.code) << c.what;
    EXPECT_EQ(recorder.entries.size(), c.listed) << c.what;
  }
}

TEST_F(ArchiveArc, HostileNamesStayInsideAndTheSearchGetsEveryEntry) {
  const ArcBytes data = bytesOf("hostile needle\n");
  std::vector<ArcBytes> entries;
  for (const char* name :
       {"..\\..\\UP.TXT", "\\ROOT.TXT", "C:\\DRIVE.TXT", "../SLASH.TXT", "SAFE.TXT", "..", ""})
    entries.push_back(arcEntry(2, name, data, data));
  entries.push_back(kArcEnd);
  const std::string path = write("hostile.arc", entries);
  const auto written = extractHostile(path);
  EXPECT_EQ(written.size(), 5u);
  for (const auto& [name, contents] : written) EXPECT_EQ(contents, "hostile needle\n") << name;

  EXPECT_EQ(testing::extractToTarget(host_, path, tree_.native("entry.tmp"), kArc), kDone);
  EXPECT_EQ(host_.extractedContents.size(), 5u);
  host_.expectNoLeaks(path);
}

}  // namespace
}  // namespace ostrya::archive
