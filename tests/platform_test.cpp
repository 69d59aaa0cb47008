#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/listing.h"
#include "test_tree.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

// Windows-1252 to code page 850, the system's best fit where 850 lacks a character. The Win32
// build runs this against the system's own conversion.
TEST(CodePage, OemFormOfEveryHighByte) {
  const std::string expected =
      "\x3F\x3F\x27\x9F\x22\x2E\xC5\xCE\x5E\x25\x53\x3C\x4F\x3F\x5A\x3F"
      "\x3F\x27\x27\x22\x22\x07\x2D\x2D\x7E\x54\x73\x3E\x6F\x3F\x7A\x59"
      "\xFF\xAD\xBD\x9C\xCF\xBE\xDD\xF5\xF9\xB8\xA6\xAE\xAA\xF0\xA9\xEE"
      "\xF8\xF1\xFD\xFC\xEF\xE6\xF4\xFA\xF7\xFB\xA7\xAF\xAC\xAB\xF3\xA8"
      "\xB7\xB5\xB6\xC7\x8E\x8F\x92\x80\xD4\x90\xD2\xD3\xDE\xD6\xD7\xD8"
      "\xD1\xA5\xE3\xE0\xE2\xE5\x99\x9E\x9D\xEB\xE9\xEA\x9A\xED\xE8\xE1"
      "\x85\xA0\x83\xC6\x84\x86\x91\x87\x8A\x82\x88\x89\x8D\xA1\x8C\x8B"
      "\xD0\xA4\x95\xA2\x93\xE4\x94\xF6\x9B\x97\xA3\x96\x81\xEC\xE7\x98";
  std::string high(128, '\0'), oem(128, '\0');
  for (int i = 0; i < 128; ++i) high[i] = static_cast<char>(0x80 + i);
  platform::ansiToOem(high.data(), oem.data(), 128);
  for (int i = 0; i < 128; ++i)
    EXPECT_EQ(static_cast<unsigned char>(oem[i]), static_cast<unsigned char>(expected[i]))
        << "byte " << std::hex << 0x80 + i;
  char ascii[] = "Plain ASCII stays";
  char out[sizeof ascii];
  platform::ansiToOem(ascii, out, sizeof ascii);
  EXPECT_STREQ(out, ascii);
}

TEST(CodePage, TextEqualityWithAndWithoutCase) {
  const auto* upper = reinterpret_cast<const uint8_t*>("\xc4PFEL");
  const auto* lower = reinterpret_cast<const uint8_t*>("\xe4pfel");
  EXPECT_TRUE(platform::equalText(upper, lower, 5, true));
  EXPECT_FALSE(platform::equalText(upper, lower, 5, false));
  EXPECT_TRUE(platform::equalText(lower, lower, 5, false));
  EXPECT_FALSE(platform::equalText(reinterpret_cast<const uint8_t*>("apfel"), lower, 5, true));
  // Only the given length counts.
  EXPECT_TRUE(platform::equalText(reinterpret_cast<const uint8_t*>("abcX"),
                                  reinterpret_cast<const uint8_t*>("ABCY"), 3, true));
}

// Sort keys compare as their texts sort: case aside, blanks before letters, a text before any
// longer text that begins with it.
int compareBySortKeys(const char* a, const char* b) {
  std::string keyA;
  std::string keyB;
  platform::sortKeyIgnoreCase(a, std::strlen(a), keyA);
  platform::sortKeyIgnoreCase(b, std::strlen(b), keyB);
  return keyA.compare(keyB);
}

TEST(CodePage, SortKeysIgnoreCaseAndPutBlanksFirst) {
  EXPECT_EQ(compareBySortKeys("readme", "README"), 0);
  EXPECT_EQ(compareBySortKeys("\xe9t\xe9", "\xc9T\xc9"), 0);
  EXPECT_LT(compareBySortKeys("a", "B"), 0);
  EXPECT_GT(compareBySortKeys("b", "A"), 0);
  EXPECT_LT(compareBySortKeys("Z ", "Z  5"), 0);
  EXPECT_LT(compareBySortKeys("Zab ", "Zabc"), 0);
  EXPECT_LT(compareBySortKeys(" x", "Zx"), 0);
  EXPECT_LT(compareBySortKeys("X", "Y"), 0);
  EXPECT_LT(compareBySortKeys("abc", "abcd"), 0);
  EXPECT_LT(compareBySortKeys("", "a"), 0);
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

TEST(CodePage, Utf16NamesBecomeFileNamesCutAtWholeCharacters) {
  const char16_t name[] = u"Gr\u00fc\u00dfe \U0001F600.txt";
  const std::size_t units = std::char_traits<char16_t>::length(name);
  char out[64];
  const std::size_t length = platform::utf16ToFileName(name, units, out, sizeof out);
#ifdef _WIN32
  // Characters beyond the code page become '?' (one or two for a pair, as the system has it).
  EXPECT_EQ(std::string(out).substr(0, 6),
            "Gr\xfc\xdf"
            "e ");
  EXPECT_EQ(std::string(out).substr(std::strlen(out) - 5), "?.txt");
#else
  EXPECT_STREQ(out,
               "Gr\xc3\xbc\xc3\x9f"
               "e \xf0\x9f\x98\x80.txt");
#endif
  EXPECT_EQ(length, std::strlen(out));
  // A buffer of 4 holds "Gr" and no half of the next character.
  char small[4];
  platform::utf16ToFileName(name, units, small, sizeof small);
#ifdef _WIN32
  EXPECT_STREQ(small, "Gr\xfc");
#else
  EXPECT_STREQ(small, "Gr");
#endif
  const char16_t lonelyHalf[] = {u'a', 0xD800, u'b'};
  platform::utf16ToFileName(lonelyHalf, 3, out, sizeof out);
  EXPECT_STREQ(out, "a?b");
}

#ifdef _WIN32
// A log file that another program holds open for writing is still read.
TEST(FileHandle, ReadsAFileAnotherProgramIsWriting) {
  testing::TempTree tree;
  tree.file("log.txt", "line one\n");
  HANDLE writer =
      CreateFileA(tree.native("log.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  platform::FileHandle reader;
  uint64_t size = 0;
  EXPECT_EQ(reader.openForReading(tree.native("log.txt").c_str(), size), 0);
  EXPECT_EQ(size, 9u);
  reader.close();
  CloseHandle(writer);
}
#endif

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
