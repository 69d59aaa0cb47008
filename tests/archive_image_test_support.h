#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/format_table.h"
#include "archive_fixture_listing.h"
#include "archive_test_host.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "test_tree.h"

namespace ostrya::testing {

// A name that a fixture listing gives in UTF-8, as a reader reports a name stored in UTF-16:
// through the system's conversion to file names (the ANSI code page on Windows).
inline std::string fileNameOfUtf8(const std::string& utf8) {
  std::u16string units;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    uint32_t code = extra == 0 ? lead : lead & (0x3Fu >> extra);
    for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k)
      code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
    i += 1 + extra;
    if (code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  char out[4 * platform::kMaxPath];
  platform::utf16ToFileName(units.data(), units.size(), out, sizeof out);
  return out;
}

// An entry as the listing tests compare it: "name<TAB>size<TAB>DOS date.time", with '/' between
// names and after a folder, upper case when names are compared without regard to case.
inline std::string describeEntry(std::string name, bool folder, uint32_t size, uint16_t date,
                                 uint16_t time, bool ignoreCase) {
  std::replace(name.begin(), name.end(), '\\', '/');
  if (ignoreCase)
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name + (folder ? "/\t-\t" : "\t" + std::to_string(size) + "\t") + std::to_string(date) +
         "." + std::to_string(time);
}

// An independent listing of a format that stores local DOS times, shown as stored, described
// as describeEntry does; names through the system's conversion from UTF-8.
inline std::multiset<std::string> dosTimeListing(const std::string& listFile) {
  std::multiset<std::string> expected;
  for (const ListedEntry& entry : readListing(listFile)) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::sscanf(entry.time.c_str(), "%u-%u-%u %u:%u:%u", &year, &month, &day, &hour, &minute,
                &second);
    const bool folder = entry.name.back() == '/';
    const auto date = static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
    const auto time = static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
    expected.insert(describeEntry(fileNameOfUtf8(entry.name.substr(0, entry.name.size() - folder)),
                                  folder, folder ? 0 : std::stoul(entry.size), date, time, false));
  }
  return expected;
}

// Entries as a listing reported them, described as describeEntry does.
inline std::multiset<std::string> describedEntries(const std::vector<ReportedEntry>& entries) {
  std::multiset<std::string> described;
  for (const ReportedEntry& entry : entries) {
    std::string name = entry.name;
    const bool folder = (entry.attributes & archive::kEntryFolder) != 0;
    if (folder && !name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
    described.insert(describeEntry(name, folder, entry.size, entry.dosDate, entry.dosTime, false));
  }
  return described;
}

// What ArchiveList reports for an image, detection included, entry by entry; nothing may stay
// open or allocated.
inline std::multiset<std::string> listedEntries(const std::string& image, bool ignoreCase) {
  ArchiveTestHost host;
  std::vector<ReportedEntry> entries;
  archive::ListingRequest request;
  request.caller = &entries;
  archive::ArchiveList(image.c_str(), request, ListingRecorder::callback, host.services, nullptr);
  std::multiset<std::string> described;
  for (const ReportedEntry& entry : entries)
    described.insert(describeEntry(entry.name, (entry.attributes & archive::kEntryFolder) != 0,
                                   entry.size, entry.dosDate, entry.dosTime, ignoreCase));
  host.expectNoLeaks(image);
  return described;
}

// What a list operation returned and the entries it reported.
struct Listed {
  int code;
  std::vector<ReportedEntry> entries;
  std::vector<std::string> names() const { return entryNames(entries); }
};

// Lists an image with a host of its own, which fails every allocation when told.
inline Listed listImage(archive::ListOperation list, const std::string& image,
                        bool failAlloc = false) {
  ArchiveTestHost host;
  host.failAlloc = failAlloc;
  ListingRecorder listing;
  const int code =
      list(image.c_str(), &listing.context, ListingRecorder::callback, host.services, nullptr);
  host.expectNoLeaks(image);
  return {code, listing.entries};
}

// The contents of every file below `root`, checking that nothing lies outside its subfolder
// `inside`.
inline std::multiset<std::string> filesBelow(const std::filesystem::path& root,
                                             const std::string& inside) {
  std::multiset<std::string> contents;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    EXPECT_EQ(*item.path().lexically_relative(root).begin(), inside) << item.path();
    if (item.is_regular_file()) contents.insert(readFile(item.path()));
  }
  return contents;
}

// Extracts a hostile-names image below out/ of a scratch tree and checks that every text stored
// under a name that must land inside did so once; gives what was written, all of it inside.
inline std::multiset<std::string> extractHostileImage(archive::ExtractOperation extract,
                                                      const std::string& image, uint32_t mode) {
  TempTree tree;
  ArchiveTestHost host;
  EXPECT_EQ(extractBelow(host, extract, image, tree.native("out/"), mode), archive::kDone) << image;
  const std::multiset<std::string> contents = filesBelow(tree.root(), "out");
  for (const char* text : {"a harmless first entry\n", "needle outside\n", "needle at the root\n",
                           "needle on a drive\n", "needle two levels up\n", "needle in aux\n",
                           "needle in a device name\n"})
    EXPECT_EQ(contents.count(text), 1u) << text << " " << mode;
  return contents;
}

}  // namespace ostrya::testing
