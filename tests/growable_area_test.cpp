#include "results/growable_area.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "results/records.h"

namespace ostrya {
namespace {

TEST(GrowableArea, CapacityFollowsTheGrowthRule) {
  struct Case {
    std::vector<std::size_t> appends;
    std::vector<std::size_t> capacities;  // after each append
  };
  const Case cases[] = {
      {{5000, 1}, {5000, 9096}},   {{0}, {4096}},
      {{10, 4086}, {4096, 4096}},  {{10, 4087}, {4096, 8192}},
      {{100, 5000}, {4096, 9096}}, {{4096, 4096, 10000}, {4096, 8192, 18192}},
  };
  for (const Case& c : cases) {
    GrowableArea area;
    std::size_t used = 0;
    for (std::size_t i = 0; i < c.appends.size(); ++i) {
      const std::vector<uint8_t> bytes(c.appends[i], static_cast<uint8_t>(i + 1));
      ASSERT_TRUE(area.append(bytes.data(), bytes.size()));
      used += c.appends[i];
      EXPECT_EQ(area.capacity(), c.capacities[i])
          << "append " << i << " of case starting " << c.appends[0];
      EXPECT_EQ(area.used(), used);
      EXPECT_EQ(area.count(), i + 1);
    }
  }
}

TEST(GrowableArea, ContentsMoveWithGrowth) {
  GrowableArea area;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    const std::string item = "item" + std::to_string(i) + ";";
    ASSERT_TRUE(area.append(item.data(), item.size()));
    expected += item;
  }
  ASSERT_EQ(area.used(), expected.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(area.data()), area.used()), expected);
}

TEST(GrowableArea, ResetKeepsStorageAndReleaseStartsOver) {
  GrowableArea area;
  const std::vector<uint8_t> bytes(5000, 7);
  ASSERT_TRUE(area.append(bytes.data(), bytes.size()));
  const uint8_t* storage = area.data();

  area.reset();
  EXPECT_EQ(area.count(), 0u);
  EXPECT_EQ(area.used(), 0u);
  EXPECT_EQ(area.capacity(), 5000u);
  ASSERT_TRUE(area.append(bytes.data(), 100));
  EXPECT_EQ(area.data(), storage);

  area.release();
  EXPECT_EQ(area.data(), nullptr);
  EXPECT_EQ(area.count(), 0u);
  EXPECT_EQ(area.used(), 0u);
  EXPECT_EQ(area.capacity(), 0u);
  // The next append is a first one again.
  ASSERT_TRUE(area.append(bytes.data(), bytes.size()));
  EXPECT_EQ(area.capacity(), 5000u);
}

TEST(GrowableArea, MoveHandsOverStorage) {
  GrowableArea from;
  ASSERT_TRUE(from.append("abc", 3));
  GrowableArea to(std::move(from));
  EXPECT_EQ(from.data(), nullptr);
  EXPECT_EQ(from.capacity(), 0u);
  EXPECT_EQ(to.used(), 3u);

  GrowableArea other;
  ASSERT_TRUE(other.append("xy", 2));
  other = std::move(to);
  EXPECT_EQ(other.used(), 3u);
  EXPECT_EQ(std::memcmp(other.data(), "abc", 3), 0);
}

template <typename T>
T at(const uint8_t* record, std::size_t offset) {
  return loadField<T>(record + offset);
}

TEST(Records, ResultRecordLayout) {
  uint8_t builder[kRecordBuilderSize];
  std::memset(builder, 0xAB, sizeof builder);
  const ResultFields fields{.extensionPosition = 6,
                            .folderNumber = 0x01020304,
                            .size = 0x1122334455667788,
                            .attributes = 0x8021,
                            .date = 0x5A21,
                            .time = 0x6B42};
  ASSERT_EQ(buildResultRecord(builder, fields, "notes.txt"), 9u + 72u);

  EXPECT_EQ(at<uint16_t>(builder, 0), 81);
  EXPECT_EQ(at<uint16_t>(builder, 2), 6);
  EXPECT_EQ(at<uint32_t>(builder, 4), 0x01020304u);
  EXPECT_EQ(at<int32_t>(builder, 8), -1);
  EXPECT_EQ(at<uint64_t>(builder, 12), 0x1122334455667788u);
  EXPECT_EQ(at<uint16_t>(builder, 20), 0x8021);
  EXPECT_EQ(at<uint16_t>(builder, 22), 0x5A21);
  EXPECT_EQ(at<uint16_t>(builder, 24), 0x6B42);
  EXPECT_EQ(at<uint32_t>(builder, 26), 0u);  // row position
  EXPECT_EQ(builder[30], 0);                 // list state
  for (std::size_t i = 31; i < 71; ++i) EXPECT_EQ(builder[i], 0) << "type text byte " << i;
  EXPECT_STREQ(reinterpret_cast<const char*>(builder + 71), "notes.txt");
  EXPECT_EQ(builder[80], 0);
}

TEST(Records, FolderRecordLayout) {
  uint8_t builder[kRecordBuilderSize];
  ASSERT_EQ(buildFolderRecord(builder, "C:\\a.zip\\in", 8), 11u + 5u);
  EXPECT_EQ(at<uint16_t>(builder, 0), 16);
  EXPECT_EQ(at<uint16_t>(builder, 2), 8);
  EXPECT_STREQ(reinterpret_cast<const char*>(builder + 4), "C:\\a.zip\\in");
}

TEST(Records, LengthsThatDoNotFitTheBuilder) {
  uint8_t builder[kRecordBuilderSize];
  const ResultFields fields;
  EXPECT_EQ(buildResultRecord(builder, fields, std::string(520, 'n').c_str()), 592u);
  EXPECT_EQ(buildResultRecord(builder, fields, std::string(521, 'n').c_str()), 0u);
  EXPECT_EQ(buildFolderRecord(builder, std::string(587, 'p').c_str(), 0), 592u);
  EXPECT_EQ(buildFolderRecord(builder, std::string(588, 'p').c_str(), 0), 0u);
}

TEST(Records, ExtensionPositionAndNameParts) {
  struct Case {
    const char* name;
    uint16_t position;
    const char* base;
    const char* extension;
  };
  const Case cases[] = {
      {"A.TXT", 2, "A", "TXT"},
      {"README", 6, "README", ""},
      {"ARCHIVE.TAR.GZ", 12, "ARCHIVE.TAR", "GZ"},
      {"FILE.", 5, "FILE", ""},
      {".profile", 1, "", "profile"},
      {"dir.d\\name", 10, "dir.d\\name", ""},
      {"dir\\name.c", 9, "dir\\name", "c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extensionPositionOfName(c.name), c.position) << c.name;
    uint8_t builder[kRecordBuilderSize];
    ResultFields fields;
    fields.extensionPosition = c.position;
    ASSERT_NE(buildResultRecord(builder, fields, c.name), 0u);
    const NameParts parts = splitName(ResultRecord(builder));
    EXPECT_EQ(parts.base, c.base) << c.name;
    EXPECT_EQ(parts.extension, c.extension) << c.name;
  }
}

TEST(Records, AttributeLettersInColumnOrder) {
  EXPECT_EQ(attributeLetters(0), "");
  EXPECT_EQ(attributeLetters(kRecFolder), "");
  EXPECT_EQ(attributeLetters(0x1 | 0x2 | 0x4 | 0x20 | 0x40 | 0x800 | 0x8000), "RAHSECZ");
  EXPECT_EQ(attributeLetters(kRecInArchive | kRecHidden), "HZ");
}

}  // namespace
}  // namespace ostrya
