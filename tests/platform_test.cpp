#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/codepage.h"
#include "platform/listing.h"
#include "test_tree.h"

namespace ostrya {
namespace {

// The Windows-1252 letters with a case partner, as upper/lower pairs. The Win32 build checks the
// system's own mapping against the same table.
TEST(CodePage, UpperAndLowerCaseOfTheWindows1252Letters) {
  std::string lower = "abcxyz\xe0\xe9\xf6\xfe\x9a\x9c\x9e\xff";
  std::string upper = "ABCXYZ\xc0\xc9\xd6\xde\x8a\x8c\x8e\x9f";
  std::string text = lower;
  platform::ansiUpper(text.data(), text.size());
  EXPECT_EQ(text, upper);
  platform::ansiLower(text.data(), text.size());
  EXPECT_EQ(text, lower);
  // Signs and letters without a partner in the code page stay as they are.
  std::string fixed = "0;*?\xd7\xf7\xdf\xb5";
  text = fixed;
  platform::ansiUpper(text.data(), text.size());
  EXPECT_EQ(text, fixed);
  platform::ansiLower(text.data(), text.size());
  EXPECT_EQ(text, fixed);
}

TEST(CodePage, ComparisonIgnoresCaseAndPutsBlanksFirst) {
  EXPECT_EQ(platform::compareIgnoreCase("readme", "README"), 0);
  EXPECT_EQ(platform::compareIgnoreCase("\xe9t\xe9", "\xc9T\xc9"), 0);
  EXPECT_LT(platform::compareIgnoreCase("a", "B"), 0);
  EXPECT_GT(platform::compareIgnoreCase("b", "A"), 0);
  EXPECT_LT(platform::compareIgnoreCase("Z ", "Z  5"), 0);
  EXPECT_LT(platform::compareIgnoreCase("Zab ", "Zabc"), 0);
  EXPECT_LT(platform::compareIgnoreCase(" x", "Zx"), 0);
  EXPECT_LT(platform::compareIgnoreCase("X", "Y"), 0);
}

std::map<std::string, platform::DirectoryEntry> list(const std::string& folder) {
  std::map<std::string, platform::DirectoryEntry> entries;
  platform::DirectoryListing listing;
  if (!listing.open(folder.c_str())) return entries;
  platform::DirectoryEntry entry;
  while (listing.next(entry))
    if (listing.complete(entry)) entries[entry.name] = entry;
  return entries;
}

TEST(DirectoryListing, GivesNameAttributesSizeAndLocalDosTime) {
  testing::TempTree tree;
  tree.file("five.txt", "12345");
  tree.folder("sub");
  const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  std::filesystem::last_write_time(tree.root() / "five.txt", when);

  const auto entries = list(tree.native());
  ASSERT_TRUE(entries.count("five.txt"));
  ASSERT_TRUE(entries.count("sub"));
  const platform::DirectoryEntry& file = entries.at("five.txt");
  EXPECT_EQ(file.size, 5u);
  EXPECT_EQ(file.attributes & (platform::kAttrDirectory | platform::kAttrArchive),
            platform::kAttrArchive);
  const platform::DirectoryEntry& sub = entries.at("sub");
  EXPECT_NE(sub.attributes & platform::kAttrDirectory, 0u);
  EXPECT_TRUE(sub.mayDescend);

  // The DOS date of a file changed some 400 days ago lies 13 or 14 months back.
  const platform::DirectoryEntry& now = entries.at("sub");
  const int monthsNow = (now.dosDate >> 9) * 12 + ((now.dosDate >> 5) & 0xF);
  const int monthsThen = (file.dosDate >> 9) * 12 + ((file.dosDate >> 5) & 0xF);
  EXPECT_GE(monthsNow - monthsThen, 12);
  EXPECT_LE(monthsNow - monthsThen, 14);
  EXPECT_LE(file.dosTime >> 11, 23);
}

TEST(DirectoryListing, FailsForMissingFoldersFilesAndOverlongPaths) {
  testing::TempTree tree;
  tree.file("plain.txt");
  EXPECT_TRUE(list(tree.native("missing")).empty());
  platform::DirectoryListing listing;
  EXPECT_FALSE(listing.open(tree.native("missing").c_str()));
  EXPECT_FALSE(listing.open(tree.native("plain.txt").c_str()));
  EXPECT_FALSE(listing.open(std::string(300, 'x').c_str()));
  platform::DirectoryEntry entry;
  EXPECT_FALSE(listing.next(entry));
}

#ifndef _WIN32
TEST(DirectoryListing, HiddenReadOnlyAndLinksOnPosix) {
  testing::TempTree tree;
  tree.file(".dot");
  tree.file("locked");
  tree.folder("real");
  std::filesystem::permissions(tree.root() / "locked", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  std::filesystem::create_directory_symlink(tree.root() / "real", tree.root() / "link");
  std::filesystem::create_symlink(tree.root() / "gone", tree.root() / "dangling");
  const auto entries = list(tree.native());
  EXPECT_NE(entries.at(".dot").attributes & platform::kAttrHidden, 0u);
  EXPECT_NE(entries.at("locked").attributes & platform::kAttrReadOnly, 0u);
  EXPECT_EQ(entries.at("real").attributes & platform::kAttrReadOnly, 0u);
  EXPECT_NE(entries.at("link").attributes & platform::kAttrDirectory, 0u);
  EXPECT_FALSE(entries.at("link").mayDescend);
  EXPECT_TRUE(entries.count("dangling"));
}
#endif

}  // namespace
}  // namespace ostrya
