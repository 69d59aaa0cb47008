#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/crc32.h"
#include "archive/detection.h"
#include "archive/formats/tar_walk.h"
#include "archive_test_host.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

using testing::ArchiveTestHost;
using testing::TempTree;

// `contents` with `piece` written over it at `at`, grown with zeros where needed.
std::string put(std::string contents, std::size_t at, const std::string& piece) {
  if (contents.size() < at + piece.size()) contents.resize(at + piece.size(), '\0');
  contents.replace(at, piece.size(), piece);
  return contents;
}

std::string zeros(std::size_t count) {
  return std::string(count, '\0');
}

std::string le16(unsigned value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string le32(uint32_t value) {
  return le16(value & 0xFFFF) + le16(value >> 16);
}

// Writes each case to a file of its own and detects it through the tests' host, checking
// that every file the layer opened was closed and every block freed.
class ArchiveDetect : public ::testing::Test {
 protected:
  TypeCode detect(const std::string& contents) {
    const std::string name = "case" + std::to_string(count_++);
    tree_.file(name, contents);
    host_.reads.clear();
    const TypeCode code = ArchiveDetectType(tree_.native(name).c_str(), host_.services);
    EXPECT_EQ(host_.openFiles, 0);
    EXPECT_EQ(host_.liveBlocks, 0);
    return code;
  }

  struct Case {
    const char* what;
    std::string contents;
    TypeCode expected;
  };
  void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(detect(c.contents), c.expected) << c.what;
  }

  TempTree tree_;
  ArchiveTestHost host_;
  int count_ = 0;
};

TEST(ArchiveCrc32, StandardCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
  EXPECT_EQ(crc32(nullptr, 0), 0u);
}

TEST_F(ArchiveDetect, HeadTestsInTheirOrder) {
  const auto head = [](const std::string& bytes) { return put(zeros(kHeadSize), 0, bytes); };
  check({
      {"zip", head("PK\x03\x04"), kZip},
      {"zip before ace at 7", head(std::string("PK\x03\x04xyz") + "**ACE**"), kZip},
      {"rar", head(std::string("Rar!\x1A\x07\x00", 7)), kRar},
      {"rar 5", head(std::string("Rar!\x1A\x07\x01\x00", 8)), kRar},
      {"rar 5's mark cut short", head(std::string("Rar!\x1A\x07\x01\x01", 8)), kNoArchive},
      {"ace", head("1234567**ACE**"), kAce},
      {"ace mark at 0, found by the scan", put(zeros(60), 0, "**ACE**"), kAce},
      {"zoo", head(std::string("ZOO 2.10 Archive.\x1A\x00", 19)), kZoo},
      {"zoo, other version", head(std::string("ZOO 1.50 Archive.\x1A\x00", 19)), kZoo},
      {"zoo, wrong case", head(std::string("ZOO 2.10 archive.\x1A\x00", 19)), kNoArchive},
      {"lha", head(std::string(" \x00-lh5-", 7)), kLha},
      {"lha before arc", head(std::string("\x1A\x05-lh0-\x00", 8)), kLha},
      {"arc", head(std::string("\x1A\x08NAME.TXT\x00", 12)), kArc},
      {"arc, method 0", head(std::string("\x1A\x00NAME\x00", 7)), kArc},
      {"arc, method 9", head(std::string("\x1A\x09NAME\x00", 7)), kArc},
      {"arc, method 10", head(std::string("\x1A\x0ANAME\x00", 7)), kNoArchive},
      {"arc, top bit set", head(std::string("\x1A\x82NAME\x00", 7)), kNoArchive},
      {"arc, name without NUL",
       head("\x1A\x02"
            "ABCDEFGHIJKLM"),
       kNoArchive},
      {"gzip", head("\x1F\x8B\x08"), kGzip},
      {"gzip, old magic", head("\x1F\x9E"), kGzip},
      {"bzip2", head("BZh9"), kBzip2},
      {"arj", head("\x60\xEA"), kArj},
      {"nothing", head("plain text, twenty-nine bytes"), kNoArchive},
  });
}

TEST_F(ArchiveDetect, TheHeadMustBeReadWhole) {
  const std::string zip = put(zeros(kHeadSize), 0, "PK\x03\x04");
  for (std::size_t size : {0, 1, 4, 28}) EXPECT_EQ(detect(zip.substr(0, size)), kNoArchive) << size;
  EXPECT_EQ(detect(zip), kZip);
  EXPECT_EQ(ArchiveDetectType(tree_.native("missing").c_str(), host_.services), kNoArchive);
  // A gzip file is gzip whatever its name promises.
  tree_.file("backup.tgz", put(zeros(40), 0, "\x1F\x8B"));
  EXPECT_EQ(ArchiveDetectType(tree_.native("backup.tgz").c_str(), host_.services), kGzip);
}

// A tar header block: name, mode, size, time, checksum and type as tar writes them.
std::string tarHeader(uint32_t size, bool ustar) {
  std::string block = zeros(512);
  block = put(block, 0, "notes.txt");
  block = put(block, 100, "0000644");
  char field[16];
  std::snprintf(field, sizeof field, "%011o", static_cast<unsigned>(size));
  block = put(block, 124, field);
  block = put(block, 136, "14371573510");
  block = put(block, 156, "0");
  if (ustar)
    block = put(block, 257,
                std::string("ustar\x00"
                            "00",
                            8));
  unsigned sum = 0;
  for (std::size_t i = 0; i < 512; ++i)
    sum += (i >= 148 && i < 156) ? ' ' : static_cast<unsigned char>(block[i]);
  std::snprintf(field, sizeof field, "%06o", sum);
  return put(block, 148, std::string(field) + std::string("\0 ", 2));
}

TEST_F(ArchiveDetect, TarHeaderTest) {
  const std::string header = tarHeader(5, false);
  const auto file = [](const std::string& block, std::size_t size) {
    return put(zeros(size), 0, block.substr(0, std::min(block.size(), size)));
  };
  check({
      {"header, 541 bytes", file(header, 541), kTar},
      {"header, 540 bytes: too short to test", file(header, 540), kNoArchive},
      {"ustar header", file(tarHeader(5, true), 1024), kTar},
      {"wrong checksum", file(put(header, 150, "7"), 1024), kNoArchive},
      {"wrong checksum, ustar", file(put(tarHeader(5, true), 150, "7"), 1024), kTar},
      {"wrong checksum, USTAR", file(put(put(header, 150, "7"), 257, "USTAR"), 1024), kTar},
      {"checksum with a letter", file(put(tarHeader(5, true), 150, "a"), 1024), kNoArchive},
      {"checksum, not octal", file(put(header, 148, std::string("0000008\0", 8)), 1024),
       kNoArchive},
      {"size beyond the file", file(tarHeader(1024, true), 1024), kNoArchive},
      {"size just inside", file(tarHeader(1023, true), 1024), kTar},
  });
  // The size rule compares full 64-bit sizes, for files of 4 GiB and more too.
  const std::string huge = tarHeader(0xFFFFFFFFu, true);
  const auto* block = reinterpret_cast<const uint8_t*>(huge.data());
  EXPECT_TRUE(passesTarHeaderTest(block, 512, 0x100000000ull));
  EXPECT_FALSE(passesTarHeaderTest(block, 512, 0xFFFFFFFFull));
  const std::string eightGiB = put(huge, 124, "77777777777");
  const auto* eightGiBBlock = reinterpret_cast<const uint8_t*>(eightGiB.data());
  EXPECT_FALSE(passesTarHeaderTest(eightGiBBlock, 512, 0x100000000ull + 4096));
  EXPECT_TRUE(passesTarHeaderTest(eightGiBBlock, 512, 0x200000000ull));
  // The checksum field must end before the bytes that may be looked at do.
  EXPECT_TRUE(passesTarHeaderTest(block, 155, 0x100000000ull));
  EXPECT_FALSE(passesTarHeaderTest(block, 154, 0x100000000ull));
}

// A file just past 4 GiB is read for its deep tests like any other: its size is not taken by
// its low 32 bits. The file is sparse.
TEST_F(ArchiveDetect, FilesPast4GiBGetTheirDeepTests) {
  const std::string name = "huge.tar";
  tree_.file(name, put(zeros(1024), 0, tarHeader(5, true)));
  std::error_code error;
  // Its low 32 bits tell 16 bytes, too few for any head test.
  std::filesystem::resize_file(tree_.native(name), 0x100000000ull + 16, error);
  if (error) GTEST_SKIP() << "no room for a sparse file of 4 GiB here: " << error.message();
  EXPECT_EQ(ArchiveDetectType(tree_.native(name).c_str(), host_.services), kTar);
  EXPECT_EQ(host_.openFiles, 0);
  std::filesystem::remove(tree_.native(name), error);
}

// An ARJ main header `at` bytes into the file, where the head test does not see it.
std::string arjAt(std::size_t fileSize, std::size_t headerSize, bool goodCrc, std::size_t at = 1) {
  std::string header;
  for (std::size_t i = 0; i < headerSize; ++i) header += static_cast<char>('a' + i % 26);
  uint32_t crc = crc32(reinterpret_cast<const uint8_t*>(header.data()), header.size());
  if (!goodCrc) crc ^= 1;
  return put(zeros(fileSize), at, "\x60\xEA" + le16(headerSize) + header + le32(crc));
}

TEST_F(ArchiveDetect, ArjScanKeepsItsMargin) {
  check({
      {"2631 bytes", arjAt(2631, 30, true), kArj},
      {"2630 bytes: no room for the margin", arjAt(2630, 30, true), kNoArchive},
      {"checksum differs", arjAt(4000, 30, false), kNoArchive},
      {"largest header", arjAt(8000, 2600, true), kArj},
      {"header too large", arjAt(8000, 2601, true), kNoArchive},
      {"after a rejected candidate", put(arjAt(4000, 30, true, 10), 2, "\x60\xEA\xFF\xFF"), kArj},
  });
}

std::string bootSector(unsigned bytesPerSector, unsigned sectorsPerCluster, unsigned rootEntries,
                       unsigned tableSectors) {
  std::string sector = put(zeros(512), 0, "\xEB\x3C\x90MSDOS5.0");
  sector = put(sector, 11, le16(bytesPerSector));
  sector = put(sector, 13, std::string(1, static_cast<char>(sectorsPerCluster)));
  sector = put(sector, 16, "\x02");
  sector = put(sector, 17, le16(rootEntries));
  sector = put(sector, 22, le16(tableSectors));
  return sector;
}

TEST_F(ArchiveDetect, FloppyImageBootSector) {
  const auto image = [](const std::string& sector, std::size_t size) {
    return put(zeros(size), 0, sector);
  };
  check({
      {"542 bytes", image(bootSector(512, 1, 224, 9), 542), kFloppyImage},
      {"541 bytes", image(bootSector(512, 1, 224, 9), 541), kNoArchive},
      {"two sectors per cluster", image(bootSector(512, 2, 112, 3), 2048), kFloppyImage},
      {"four sectors per cluster", image(bootSector(512, 4, 112, 3), 2048), kNoArchive},
      {"table of 12 sectors", image(bootSector(512, 1, 224, 12), 2048), kFloppyImage},
      {"table of 13 sectors", image(bootSector(512, 1, 224, 13), 2048), kNoArchive},
      {"no table", image(bootSector(512, 1, 224, 0), 2048), kNoArchive},
      {"225 root entries", image(bootSector(512, 1, 225, 9), 2048), kNoArchive},
      {"1024-byte sectors", image(bootSector(1024, 1, 224, 9), 2048), kNoArchive},
  });
}

// A cpio header in the portable ASCII form with every field 0 but the name size, and its name.
std::string cpio(const char* magic, const std::string& name) {
  char nameSize[9];
  std::snprintf(nameSize, sizeof nameSize, "%08X", static_cast<unsigned>(name.size() + 1));
  std::string header = magic;
  for (int field = 0; field < 13; ++field) header += field == 11 ? nameSize : "00000000";
  return header + name + '\0';
}

TEST_F(ArchiveDetect, IsoRpmAndCpio) {
  const std::string descriptor = std::string(
      "\x01"
      "CD001\x01",
      7);
  const std::string rpm = "\xED\xAB\xEE\xDB\x03";
  check({
      {"iso, 34846 bytes", put(zeros(34846), 0x8000, descriptor), kIso},
      {"iso, 34845 bytes", put(zeros(34845), 0x8000, descriptor), kNoArchive},
      {"iso, lower case",
       put(zeros(40000), 0x8000,
           std::string("\x01"
                       "cd001\x01",
                       7)),
       kNoArchive},
      {"iso, version 2",
       put(zeros(40000), 0x8000,
           std::string("\x01"
                       "CD001\x02",
                       7)),
       kNoArchive},
      {"iso, supplementary first",
       put(zeros(40000), 0x8000,
           std::string("\x02"
                       "CD001\x01",
                       7)),
       kNoArchive},
      {"rpm, 125 bytes", put(zeros(125), 0, rpm), kRpm},
      {"rpm, 124 bytes", put(zeros(124), 0, rpm), kNoArchive},
      {"rpm, version 1", put(zeros(200), 0, "\xED\xAB\xEE\xDB\x01"), kNoArchive},
      {"cpio, 139 bytes", put(zeros(139), 0, cpio("070701", "a.txt")), kCpio},
      {"cpio, 138 bytes", put(zeros(138), 0, cpio("070701", "a.txt")), kNoArchive},
      {"cpio with checksums", put(zeros(512), 0, cpio("070702", "a.txt")), kCpio},
      {"cpio, old ASCII form", put(zeros(512), 0, cpio("070707", "a.txt")), kNoArchive},
      {"cpio, field not hexadecimal", put(put(zeros(512), 0, cpio("070701", "a")), 20, "g"),
       kNoArchive},
      {"cpio, only the trailer", put(zeros(512), 0, cpio("070701", "TRAILER!!!")), kNoArchive},
  });
}

// An LHA header of `length` bytes from the method on, its checksum right or off by one.
std::string lhaHeader(int length, bool goodSum) {
  std::string header = "-lh5-";
  while (static_cast<int>(header.size()) < length) header += static_cast<char>(header.size() * 7);
  header.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  unsigned sum = 0;
  for (unsigned char c : header) sum += c;
  return std::string(1, static_cast<char>(length)) +
         std::string(1, static_cast<char>((sum + (goodSum ? 0 : 1)) & 0xFF)) + header;
}

TEST_F(ArchiveDetect, SelfExtractingScan) {
  const std::string stub = put(zeros(4000), 0, "MZ");
  const std::string highSum = lhaHeader(24, true);
  ASSERT_GE(static_cast<unsigned char>(highSum[1]), 0x80u);
  check({
      {"zip behind a stub", put(stub, 1000, "PK\x03\x04"), kZip},
      {"rar behind a stub", put(stub, 500, std::string("Rar!\x1A\x07\x00", 7)), kRar},
      {"rar 5 behind a stub", put(stub, 500, std::string("Rar!\x1A\x07\x01\x00", 8)), kRar},
      {"ace behind a stub", put(stub, 300, "**ACE**"), kAce},
      {"the first signature wins", put(put(stub, 200, "PK\x03\x04"), 100, "**ACE**"), kAce},
      {"lha behind a stub", put(stub, 100, lhaHeader(30, true)), kLha},
      {"lha at 2999", put(stub, 2999, lhaHeader(30, true)), kLha},
      {"lha at 3000", put(stub, 3000, lhaHeader(30, true)), kNoArchive},
      {"lha, checksum off", put(stub, 100, lhaHeader(30, false)), kNoArchive},
      {"lha, checksum of 0x80 or more", put(stub, 100, highSum), kLha},
      {"lha, header of 20 bytes", put(stub, 100, lhaHeader(20, true)), kNoArchive},
      {"lha, header of 21 bytes", put(stub, 100, lhaHeader(21, true)), kLha},
      {"lha, length byte negative",
       put(put(stub, 100, lhaHeader(30, true)), 100, std::string(1, '\x90')), kNoArchive},
      {"lha header past the end", put(zeros(60), 25, lhaHeader(100, true).substr(0, 35)),
       kNoArchive},
      {"zip in the last 30 bytes", put(stub, 3970, "PK\x03\x04"), kZip},
      {"zip in the last 29 bytes", put(stub, 3971, "PK\x03\x04"), kNoArchive},
  });
}

TEST_F(ArchiveDetect, AtMost128KiBAreReadInTwoReads) {
  const std::string big = put(zeros(200000), 0, "MZ");
  EXPECT_EQ(detect(put(big, 131042, "PK\x03\x04")), kZip);
  EXPECT_EQ(host_.reads, (std::vector<uint32_t>{29, 131072 - 29}));
  EXPECT_EQ(detect(put(big, 131043, "PK\x03\x04")), kNoArchive);
  // A file of exactly the head's size runs the deep tests on nothing.
  EXPECT_EQ(detect(put(zeros(29), 0, "MZ")), kNoArchive);
  EXPECT_EQ(host_.reads, (std::vector<uint32_t>{29}));
}

// A cabinet of one stored file, as the cabinet format lays it out.
std::string cabinet() {
  const std::string name = std::string("a.txt", 6);
  const std::string data = "hello";
  const uint32_t folderAt = 36, fileAt = folderAt + 8, dataAt = fileAt + 16 + 6;
  const uint32_t total = dataAt + 8 + static_cast<uint32_t>(data.size());
  std::string cab = "MSCF" + le32(0) + le32(total) + le32(0) + le32(fileAt) + le32(0) + "\x03\x01" +
                    le16(1) + le16(1) + le16(0) + le16(0x1234) + le16(0);
  cab += le32(dataAt) + le16(1) + le16(0);
  cab += le32(5) + le32(0) + le16(0) + le16(0x5A21) + le16(0x6000) + le16(0x20) + name;
  cab += le32(0) + le16(5) + le16(5) + data;
  return cab;
}

TEST_F(ArchiveDetect, CabinetThroughItsEngine) {
  const std::string cab = cabinet();
  ASSERT_EQ(cab.size(), 79u);
  check({
      {"cabinet", cab, kCab},
      {"cabinet behind nothing else", cab + zeros(1000), kCab},
      {"cabinet head only", cab.substr(0, 36), kNoArchive},
      {"cabinet with zip inside", put(cab, 60, "PK\x03\x04"), kCab},
  });
}

}  // namespace
}  // namespace ostrya::archive
