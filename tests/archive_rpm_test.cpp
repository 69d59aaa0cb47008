#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/formats/rpm.h"
#include "archive_cpio_writer.h"
#include "archive_fixture_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

std::string be32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

// One index entry and its value; `offset` other than -1 points the entry elsewhere.
struct Tag {
  uint32_t tag;
  uint32_t type;
  std::string value;
  uint32_t count;
  int64_t offset = -1;
};

Tag numbers32(uint32_t tag, const std::vector<uint32_t>& values) {
  std::string bytes;
  for (uint32_t value : values) bytes += be32(value);
  return {tag, 4, bytes, static_cast<uint32_t>(values.size())};
}

Tag modes(const std::vector<uint16_t>& values) {
  std::string bytes;
  for (uint16_t value : values) bytes += be32(value).substr(2);
  return {1030, 3, bytes, static_cast<uint32_t>(values.size())};
}

Tag strings(uint32_t tag, const std::vector<std::string>& values) {
  std::string bytes;
  for (const std::string& value : values) bytes += value + '\0';
  return {tag, 8, bytes, static_cast<uint32_t>(values.size())};
}

Tag text(uint32_t tag, const std::string& value) {
  return {tag, 6, value + '\0', 1};
}

std::string headerSection(const std::vector<Tag>& tags) {
  std::string index;
  std::string store;
  for (const Tag& tag : tags) {
    const auto offset = static_cast<uint32_t>(tag.offset >= 0 ? tag.offset : store.size());
    index += be32(tag.tag) + be32(tag.type) + be32(offset) + be32(tag.count);
    store += tag.value;
  }
  return std::string("\x8E\xAD\xE8\x01\0\0\0\0", 8) + be32(static_cast<uint32_t>(tags.size())) +
         be32(static_cast<uint32_t>(store.size())) + index + store;
}

// Lead, an empty signature of the header form, the header section, the payload.
std::string package(const std::vector<Tag>& tags, const std::string& payload, char major = 3) {
  std::string lead(96, '\0');
  lead.replace(0, 4, "\xED\xAB\xEE\xDB");
  lead[4] = major;
  lead[79] = 5;
  return lead + headerSection({}) + headerSection(tags) + payload;
}

std::string gzipped(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string bzipped(const std::string& data) {
  std::string out(data.size() + data.size() / 100 + 600, '\0');
  unsigned length = static_cast<unsigned>(out.size());
  BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data.data()),
                           static_cast<unsigned>(data.size()), 9, 0, 0);
  out.resize(length);
  return out;
}

// xz, or the older .lzma format.
std::string xzed(const std::string& data, bool lzmaAlone = false) {
  lzma_stream stream = LZMA_STREAM_INIT;
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  const lzma_ret ready = lzmaAlone ? lzma_alone_encoder(&stream, &options)
                                   : lzma_easy_encoder(&stream, 6, LZMA_CHECK_CRC64);
  if (ready != LZMA_OK) return std::string();
  std::string out(data.size() + 1024, '\0');
  stream.next_in = reinterpret_cast<const uint8_t*>(data.data());
  stream.avail_in = data.size();
  stream.next_out = reinterpret_cast<uint8_t*>(out.data());
  stream.avail_out = out.size();
  if (lzma_code(&stream, LZMA_FINISH) != LZMA_STREAM_END) stream.total_out = 0;
  out.resize(stream.total_out);
  lzma_end(&stream);
  return out;
}

std::string zstded(const std::string& data) {
  std::string out(ZSTD_compressBound(data.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 19));
  return out;
}

// The payload of the packages made here: a folder and one file in it.
const std::string kPayloadCpio =
    testing::newcMember(testing::kCpioFolderMode, "./opt/pkg") +
    testing::newcMember(testing::kCpioFileMode, "./opt/pkg/file.txt", "a needle in a package\n") +
    testing::newcTrailer();

// The file list of those packages, in the form of version 4.
std::vector<Tag> fileList() {
  return {strings(1117, {"pkg", "file.txt"}),
          strings(1118, {"/opt/", "/opt/pkg/"}),
          numbers32(1116, {0, 1}),
          modes({040755, 0100644}),
          numbers32(1028, {0, 22}),
          numbers32(1034, {1600000000, 1600000000})};
}

std::vector<Tag> with(std::vector<Tag> tags, const std::vector<Tag>& more) {
  tags.insert(tags.end(), more.begin(), more.end());
  return tags;
}

std::string fixture(const std::string& name) {
  return testing::archiveFixture("rpm/" + name).string();
}

class ArchiveRpm : public testing::FixtureReaderTest<listRpm, extractRpm> {
 protected:
  std::string made(const std::string& contents) {
    const std::string name = "made" + std::to_string(count_++) + ".rpm";
    tree_.file(name, contents);
    return tree_.native(name);
  }

  int count_ = 0;
};

// The independent listing is of the cpio payload ("./usr/..."); the header names the same
// files from the root.
TEST_F(ArchiveRpm, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : {"fixture-gzip.noarch.rpm", "fixture-bzip2.noarch.rpm"}) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kDone) << name;
    std::set<std::string> expected;
    for (const std::string& line : testing::listedLines(fixture(name) + ".list"))
      expected.insert(line.substr(1));
    EXPECT_EQ(testing::reportedLines(recorder.entries), expected) << name;
  }
}

TEST_F(ArchiveRpm, ExtractsEachFixtureBelowAnOutputFolder) {
  const auto tree = testing::fixtureTreeFiles(false);
  const std::map<std::string, std::string> expected = {
      {"usr/share/ostrya-fixture/readme.txt", tree.at("readme.txt")},
      {"usr/share/ostrya-fixture/sub/inner.txt", tree.at("sub/inner.txt")}};
  for (const char* name : {"fixture-gzip.noarch.rpm", "fixture-bzip2.noarch.rpm"}) {
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(fixture(name)), kDone) << name;
    EXPECT_EQ(testing::filesBelow(tree_.root() / "out"), expected) << name;
  }
}

// Every other format hands each written file to the host; the content search depends on it.
TEST_F(ArchiveRpm, ExtractionToATargetHandsEveryFileToTheContentSearch) {
  const std::string path = fixture("fixture-gzip.noarch.rpm");
  EXPECT_EQ(testing::extractToTarget(host_, path, tree_.native("entry.tmp"), kRpm), kDone);
  const auto tree = testing::fixtureTreeFiles(false);
  EXPECT_EQ(host_.extractedContents,
            (std::vector<std::string>{tree.at("readme.txt"), tree.at("sub/inner.txt")}));
  ASSERT_EQ(host_.callsOf("OnEntryExtracted").size(), 2u);
  EXPECT_NE(host_.callsOf("OnEntryExtracted")[0].find("usr\\share\\ostrya-fixture\\readme.txt"),
            std::string::npos);
  host_.expectNoLeaks(path);
}

TEST_F(ArchiveRpm, DamagedPackagesAndFailedAllocationsLeakNothing) {
  for (const char* name : {"damaged-truncated.rpm", "damaged-flipped.rpm"}) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kNotThisFormat) << name;
    EXPECT_TRUE(recorder.entries.empty()) << name;
    EXPECT_EQ(extractBelow(fixture(name)), kNotThisFormat) << name;
  }
  host_.failAlloc = true;
  ListingRecorder recorder;
  EXPECT_EQ(list(fixture("fixture-gzip.noarch.rpm"), recorder), kNotThisFormat);
  EXPECT_EQ(extractBelow(fixture("fixture-gzip.noarch.rpm")), kNotThisFormat);
}

// Packages made here, each with one thing a stranger's package may get wrong.
TEST_F(ArchiveRpm, HostileAndOldPackages) {
  const std::string gz = gzipped(kPayloadCpio);
  const std::vector<std::string> both = {"/opt/pkg", "/opt/pkg/file.txt"};
  const struct {
    const char* what;
    std::string contents;
    int listed;
    std::vector<std::string> names;
    int extracted;
  } cases[] = {
      {"a package of version 4", package(fileList(), gz, 4), kDone, both, kDone},
      {"a bzip2 payload", package(with(fileList(), {text(1125, "bzip2")}), bzipped(kPayloadCpio)),
       kDone, both, kDone},
      {"old file list", package({strings(1027, both), modes({040755, 0100644})}, gz), kDone, both,
       kDone},
      {"no base names in version 4", package({strings(1027, both)}, gz, 4), kReadFailed, {}, kDone},
      {"an xz payload", package(with(fileList(), {text(1125, "xz")}), xzed(kPayloadCpio)), kDone,
       both, kDone},
      {"an lzma payload", package(with(fileList(), {text(1125, "lzma")}), xzed(kPayloadCpio, true)),
       kDone, both, kDone},
      {"a zstd payload", package(with(fileList(), {text(1125, "zstd")}), zstded(kPayloadCpio)),
       kDone, both, kDone},
      {"a zstd payload in two frames",
       package(with(fileList(), {text(1125, "zstd")}),
               zstded(kPayloadCpio.substr(0, 100)) + zstded(kPayloadCpio.substr(100))),
       kDone, both, kDone},
      {"an xz payload cut short",
       package(with(fileList(), {text(1125, "xz")}), xzed(kPayloadCpio).substr(0, 40)), kDone, both,
       kDecoderFailed},
      {"a zstd payload cut short",
       package(with(fileList(), {text(1125, "zstd")}), zstded(kPayloadCpio).substr(0, 20)), kDone,
       both, kDecoderFailed},
      {"a gzip payload named zstd", package(with(fileList(), {text(1125, "zstd")}), gz), kDone,
       both, kDecoderFailed},
      {"no compressor named, no compression", package(fileList(), kPayloadCpio), kDone, both,
       kDone},
      {"no compression, more than the stated size",
       package(with(fileList(), {numbers32(1046, {100})}), kPayloadCpio), kDone, both,
       kDecoderFailed},
      {"unknown compressor", package(with(fileList(), {text(1125, "lz4")}), gz), kDone, both,
       kUnsupportedMethod},
      {"stated size beyond what memory is given",
       package(with(fileList(), {numbers32(1046, {0xFFFFFFF0})}), gz), kDone, both, kSetUpFailed},
      {"stated size too small", package(with(fileList(), {numbers32(1046, {100})}), gz), kDone,
       both, kDecoderFailed},
      {"stated size larger than the payload",
       package(with(fileList(), {numbers32(1046, {1 << 20})}), gz), kDone, both, kDone},
      {"a payload that is no gzip", package(fileList(), "not compressed"), kDone, both,
       kDecoderFailed},
      {"a payload cut short", package(fileList(), gz.substr(0, gz.size() / 2)), kDone, both,
       kDecoderFailed},
      {"no payload", package(fileList(), ""), kDone, both, kDecoderFailed},
      {"folder index out of range",
       package({strings(1117, {"file.txt"}), strings(1118, {"/opt/"}), numbers32(1116, {7}),
                modes({0100644})},
               gz),
       kDone,
       {"file.txt"},
       kDone},
      {"base names beyond the store",
       package({{1117, 8, "", 2, 1000}, strings(1118, {"/opt/"})}, gz),
       kReadFailed,
       {},
       kDone},
      {"base names without a terminator",
       package({{1117, 8, "abc", 1}}, gz),
       kReadFailed,
       {},
       kDone},
      {"more numbers than the store holds",
       package({strings(1117, {"file.txt"}), {1028, 4, "", 0x40000000, 0}, modes({0100644})}, gz),
       kDone,
       {"file.txt"},
       kDone},
      {"a lead without the header-style signature",
       package(fileList(), gz).replace(79, 1, "\1"),
       kNotThisFormat,
       {},
       kNotThisFormat},
  };
  for (const auto& c : cases) {
    const std::string path = made(c.contents);
    ListingRecorder recorder;
    EXPECT_EQ(list(path, recorder), c.listed) << c.what;
    EXPECT_EQ(testing::entryNames(recorder.entries), c.names) << c.what;
    fs::remove_all(tree_.root() / "out");
    EXPECT_EQ(extractBelow(path), c.extracted) << c.what;
    if (c.extracted == kDone && c.names == both) {
      EXPECT_EQ(testing::readFile(tree_.root() / "out" / "opt" / "pkg" / "file.txt"),
                "a needle in a package\n")
          << c.what;
    }
  }
}

}  // namespace
}  // namespace ostrya::archive
