#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "archive/archive.h"
#include "archive/formats/rar.h"
#include "archive/unix_time.h"
#include "archive_fixture_tree.h"
#include "archive_image_test_support.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ListingRecorder;

std::string fixture(const std::string& name) {
  return testing::archiveFixture("rar/" + name).string();
}

// RAR 5 stores universal times, shown by the independent reader in UTC and by the layer in
// local time; RAR 2.9 stores local DOS times, shown as stored.
std::multiset<std::string> expectedListing(const std::string& name) {
  if (name.rfind("rar5", 0) != 0) return testing::dosTimeListing(fixture(name) + ".list");
  std::multiset<std::string> expected;
  for (const testing::ListedEntry& entry : testing::readListing(fixture(name) + ".list")) {
    uint16_t date = 0;
    uint16_t time = 0;
    unixTimeToDos(testing::utcSeconds(entry.time), date, time);
    const bool folder = entry.name.back() == '/';
    expected.insert(testing::describeEntry(
        testing::fileNameOfUtf8(entry.name.substr(0, entry.name.size() - folder)), folder,
        folder ? 0 : std::stoul(entry.size), date, time, false));
  }
  return expected;
}

// One name in rar29-unicode.rar is stored without its Unicode form, in the bytes of the UTF-8
// system that wrote it. Readers on Unix take them as UTF-8; on Windows they are the OEM code
// page's, as the format says, and name another file. Compared only off Windows.
bool comparedHere(const std::string& line) {
#ifdef _WIN32
  return line.find("abcdefghijklmnopqrs") == std::string::npos;
#else
  return !line.empty();
#endif
}

// path -> CRC-32 of what the independent reader extracted. Characters the ANSI code page lacks
// become '?' in a name, which no Windows file name may hold: the output rule writes '_'.
std::map<std::string, uint32_t> expectedContents(const std::string& name) {
  std::map<std::string, uint32_t> contents;
  std::ifstream in(fixture(name) + ".crc", std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!comparedHere(line)) continue;
    const std::size_t tab = line.find('\t');
    std::string path = testing::fileNameOfUtf8(line.substr(0, tab));
    std::replace(path.begin(), path.end(), '?', '_');
    contents[path] = static_cast<uint32_t>(std::stoul(line.substr(tab + 1), nullptr, 16));
  }
  return contents;
}

uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// 'X' makes the stored folders, as a caller that keeps folder names asks.
int extractWith(ExtractionRequest& request, const HostServices& services) {
  char password[129] = "";
  return extractRar(request, services, (request.mode & kModeKeepFolders) != 0 ? 'X' : 'E',
                    password);
}

class ArchiveRar : public testing::FixtureReaderTest<listRar, extractWith> {};

const char* const kFixtures[] = {"rar29.rar",           "rar29-best.rar", "rar29-unicode.rar",
                                 "rar29-windows.rar",   "rar29-sfx.exe",  "rar5-stored.rar",
                                 "rar5-compressed.rar", "rar5-solid.rar", "rar5-win32.rar"};

// A link is listed with the length of its target, the data it stores.
TEST_F(ArchiveRar, ListsEachFixtureAsTheIndependentReaderDoes) {
  for (const char* name : kFixtures) {
    ListingRecorder recorder;
    EXPECT_EQ(list(fixture(name), recorder), kDone) << name;
    auto expected = expectedListing(name);
    auto reported = testing::describedEntries(recorder.entries);
    for (auto* lines : {&expected, &reported})
      std::erase_if(*lines, [](const std::string& line) { return !comparedHere(line); });
    EXPECT_EQ(reported, expected) << name;
  }
}

// RAR 2.9 and 5, stored, compressed and solid, behind a self-extracting stub: every file comes
// out with the bytes the independent reader gives.
TEST_F(ArchiveRar, ExtractsEachFixtureToTheIndependentReadersBytes) {
  int folder = 0;
  for (const char* name : kFixtures) {
    const std::string out = "out" + std::to_string(folder++);
    ASSERT_EQ(extractBelow(fixture(name), kModeKeepFolders, out), kDone) << name;
    const auto written = testing::filesBelow(tree_.root() / out);
    const auto expected = expectedContents(name);
    EXPECT_FALSE(expected.empty()) << name;
    for (const auto& [path, crc] : expected) {
      ASSERT_TRUE(written.count(path)) << name << ": " << path;
      EXPECT_EQ(crcOf(written.at(path)), crc) << name << ": " << path;
    }
  }
}

// The engine decrypts nothing: an encrypted entry asks for a password, fails, and the whole
// extraction is tried once more with the password asked again, which ends as a wrong password.
// A cancelled question ends at once.
TEST_F(ArchiveRar, EncryptedEntriesAskTwiceAndEndAsAWrongPassword) {
  ListingRecorder recorder;
  ASSERT_EQ(list(fixture("rar29-encrypted.rar"), recorder), kDone);
  ASSERT_EQ(recorder.entries.size(), 2u);
  for (const auto& entry : recorder.entries) EXPECT_EQ(entry.flag, kEncryptedFlag);

  host_.passwordAnswer = "";
  EXPECT_EQ(extractBelow(fixture("rar29-encrypted.rar"), kModeKeepFolders, "empty"),
            kWrongPassword);
  const auto asked = std::count_if(host_.calls.begin(), host_.calls.end(), [](const auto& call) {
    return call.rfind("AskPassword", 0) == 0;
  });
  EXPECT_GE(asked, 2);
  EXPECT_TRUE(testing::filesBelow(tree_.root() / "empty").empty());

  host_.passwordAnswer = nullptr;
  EXPECT_EQ(extractBelow(fixture("rar29-encrypted.rar"), kModeKeepFolders, "cancelled"),
            kPasswordCancelled);

  // The plain entry before an encrypted one comes out once: the second run passes over it.
  host_.passwordAnswer = "";
  host_.calls.clear();
  EXPECT_EQ(extractBelow(fixture("rar29-partly-encrypted.rar"), kModeKeepFolders, "partly"),
            kWrongPassword);
  const auto offered = [&](const char* name) {
    return std::count_if(host_.calls.begin(), host_.calls.end(), [&](const std::string& call) {
      return call.rfind("ConfirmOverwrite", 0) == 0 && call.size() >= std::strlen(name) &&
             call.compare(call.size() - std::strlen(name), std::string::npos, name) == 0;
    });
  };
  EXPECT_EQ(offered("bar.txt"), 1);
  EXPECT_EQ(offered("foo.txt"), 2);
  const auto written = testing::filesBelow(tree_.root() / "partly");
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written.begin()->first, "bar.txt");
}

TEST_F(ArchiveRar, DamagedArchivesEndAsDamagedAndLeaveNoPartialFile) {
  for (const char* name : {"damaged-truncated.rar", "damaged-flipped.rar"}) {
    const std::string out = std::string("out-") + name;
    EXPECT_EQ(extractBelow(fixture(name), kModeKeepFolders, out), kDamagedData) << name;
    const auto expected = expectedContents(
        name == std::string("damaged-flipped.rar") ? "rar29-best.rar" : "rar5-compressed.rar");
    for (const auto& [path, contents] : testing::filesBelow(tree_.root() / out))
      EXPECT_EQ(crcOf(contents), expected.at(path)) << name << ": " << path;
  }
  ListingRecorder recorder;
  EXPECT_EQ(list(testing::archiveFixture("zip/info-zip-stored.zip").string(), recorder),
            kNotThisFormat);
}

// Without the stored folders no folder is made; names go through the layer's output rule like
// every other reader's.
TEST_F(ArchiveRar, FlatExtractionMakesNoFolders) {
  ASSERT_EQ(extractBelow(fixture("rar29.rar"), 0, "flat"), kDone);
  for (const auto& item : fs::directory_iterator(tree_.root() / "flat"))
    EXPECT_FALSE(item.is_directory()) << item.path();
}

}  // namespace
}  // namespace ostrya::archive
