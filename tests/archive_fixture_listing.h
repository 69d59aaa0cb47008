#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/archive_types.h"
#include "test_tree.h"

namespace ostrya::testing {

// A path as the layer named the file: in the ANSI code page on Windows (the library's own
// narrow form is UTF-8 there), with '/' between its parts.
inline std::string narrowPath(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::wstring wide = path.generic_wstring();
  std::string narrow(wide.size() * 2 + 1, '\0');
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), narrow.data(),
                          static_cast<int>(narrow.size()), nullptr, nullptr);
  narrow.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return narrow;
#else
  return path.generic_string();
#endif
}

// The fixtures lie beside the tests' sources.
inline std::filesystem::path archiveFixture(const std::string& relative) {
  return std::filesystem::path(__FILE__).parent_path() / "fixtures" / "archives" / relative;
}

// One line of a FIXTURE.list: path, size and UTC time as the independent reader wrote them
// ("-" where it gives none; folders end in '/').
struct ListedEntry {
  std::string name;
  std::string size;
  std::string time;
};

inline std::vector<ListedEntry> readListing(const std::filesystem::path& list) {
  std::vector<ListedEntry> entries;
  std::ifstream in(list, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    ListedEntry entry;
    std::getline(fields, entry.name, '\t');
    std::getline(fields, entry.size, '\t');
    std::getline(fields, entry.time);
    entries.push_back(entry);
  }
  return entries;
}

// "YYYY-MM-DD HH:MM:SS" in UTC as seconds since 1970.
inline int64_t utcSeconds(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
  // The library's calendar, not the readers' own date arithmetic, so that the two check each
  // other.
  const std::chrono::sys_days date = std::chrono::year_month_day{
      std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
      std::chrono::day{static_cast<unsigned>(day)}};
  const int64_t days = date.time_since_epoch().count();
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

// What an entry callback was given.
struct ReportedEntry {
  std::string name;
  uint16_t dosDate;
  uint16_t dosTime;
  uint32_t attributes;
  char flag;
  uint32_t size;
};

inline std::vector<std::string> entryNames(const std::vector<ReportedEntry>& entries) {
  std::vector<std::string> names;
  for (const ReportedEntry& entry : entries) names.push_back(entry.name);
  return names;
}

// Entries reported to `callback`, kept through the listing request of the context.
class ListingRecorder {
 public:
  ListingRecorder() {
    request_.caller = &entries;
    context.request = &request_;
  }
  ListingRecorder(const ListingRecorder&) = delete;
  ListingRecorder& operator=(const ListingRecorder&) = delete;

  static void callback(const char* name, uint16_t dosDate, uint16_t dosTime, uint32_t attributes,
                       char flag, uint32_t size, uint32_t, uint32_t,
                       archive::ListingContext* context) {
    static_cast<std::vector<ReportedEntry>*>(context->request->caller)
        ->push_back({name, dosDate, dosTime, attributes, flag, size});
  }

  std::vector<ReportedEntry> entries;
  archive::ListingContext context;

 private:
  archive::ListingRequest request_;
};

// The 6000 bytes of haystack.txt in the fixtures' source tree: "haystack " over and over, with
// " needle " put in so that the word lies at bytes 4093 to 4098, and a final newline.
inline std::string fixtureHaystack() {
  std::string words;
  while (words.size() < 6000) words += "haystack ";
  const std::string head = words.substr(0, 4092) + " needle ";
  return head + words.substr(0, 6000 - head.size() - 1) + "\n";
}

}  // namespace ostrya::testing
