#include "search/archive_search.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <aclapi.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive_cpio_writer.h"
#include "archive_fixture_listing.h"
#include "platform/path.h"
#include "platform/temp_path.h"
#include "search/content_test.h"
#include "search/name_match.h"
#include "search/search_filter.h"
#include "search/search_run.h"
#include "test_tree.h"

namespace ostrya {
namespace {

namespace fs = std::filesystem;
using testing::archiveFixture;
using testing::newcMember;
using testing::newcTrailer;
using testing::RecordingHost;
using testing::TempTree;

struct Row {
  std::string folder;
  std::string name;
  uint16_t attributes;
  uint64_t size;
  bool operator<(const Row& other) const {
    return std::tie(folder, name) < std::tie(other.folder, other.name);
  }
  bool operator==(const Row& other) const = default;
};

// Points the system's temporary folder at a folder of the test's own for its lifetime, so that
// what the search leaves there is the test's to see.
class TemporaryFolderOverride {
 public:
  explicit TemporaryFolderOverride(const std::string& folder) {
    const char* old = std::getenv(kVariable);
    if (old) saved_ = old;
    set(folder.c_str());
  }
  ~TemporaryFolderOverride() {
    if (saved_)
      set(saved_->c_str());
    else
      unset();
  }

 private:
#ifdef _WIN32
  static constexpr const char* kVariable = "TMP";
  static void set(const char* value) {
    _putenv_s(kVariable, value);
  }
  static void unset() {
    _putenv_s(kVariable, "");
  }
#else
  static constexpr const char* kVariable = "TMPDIR";
  static void set(const char* value) {
    setenv(kVariable, value, 1);
  }
  static void unset() {
    unsetenv(kVariable);
  }
#endif
  std::optional<std::string> saved_;
};

class ArchiveSearchTest : public ::testing::Test {
 protected:
  ArchiveSearchTest() : archives(archive::ArchiveServicesInit(services), nullptr) {
    context.secondChance = secondChanceMatcher();
    context.options |= kOptArchives;
    context.archives = &archives;
  }

  void copyFixture(const std::string& fixture, const std::string& as) {
    tree.file(as, testing::readFile(archiveFixture(fixture)));
  }

  // The rows in found order, each with its folder's path.
  std::vector<Row> run(const std::string& patterns, const std::string& text = "") {
    host.patterns = patterns;
    host.lookIn = tree.native();
    host.text = text;
    runSearch(context, host);
    std::vector<Row> rows;
    const uint32_t count = context.store.rowCount();
    std::lock_guard<std::mutex> hold(context.store.lock());
    for (uint32_t row = 0; row < count; ++row) {
      const ResultRecord record = context.store.recordOfRowLocked(row);
      const FolderRecord folder = context.store.folderRecordLocked(record.folderNumber());
      rows.push_back({folder.path(), record.name(), record.attributes(), record.size()});
    }
    return rows;
  }

  std::vector<Row> entries(const std::vector<Row>& rows) {
    std::vector<Row> inside;
    for (const Row& row : rows)
      if ((row.attributes & kRecInArchive) != 0) inside.push_back(row);
    std::sort(inside.begin(), inside.end());
    return inside;
  }

  TempTree tree;
  archive::HostServices services;
  ArchiveEntrySearch archives;
  SearchContext context;
  RecordingHost host;
};

TEST_F(ArchiveSearchTest, EntriesBecomeRowsUnderTheArchiveAndItsInnerFolders) {
  copyFixture("tar/plain-ustar.tar", "packed.tar");
  tree.file("inner.txt", "outside");
  const std::vector<Row> rows = run("inner.txt;deepest.txt");
  const std::vector<Row> inside = entries(rows);
  ASSERT_EQ(inside.size(), 2u);
  EXPECT_EQ(inside[0].folder, tree.native("packed.tar/sub"));
  EXPECT_EQ(inside[0].name, "inner.txt");
  EXPECT_EQ(inside[0].size, 13u);
  EXPECT_EQ(inside[1].folder, tree.native("packed.tar/sub/deeper"));
  EXPECT_EQ(inside[1].name, "deepest.txt");
  // The entry's own bits and the mark of an entry; shown as "Z".
  EXPECT_EQ(inside[0].attributes & (kRecInArchive | kRecFolder), kRecInArchive);
  EXPECT_NE(attributeLetters(inside[0].attributes).find('Z'), std::string::npos);
  EXPECT_EQ(rows.size(), 3u);  // and the file outside
  // The archive's folders count as folders found but are never rows: sub, sub/deeper, empty
  // and the two folders of the rows' paths are the same records.
  EXPECT_NE(host.totals.back().find("Total 3 files"), std::string::npos) << host.totals.back();
}

TEST_F(ArchiveSearchTest, InnerFoldersAreSharedAcrossSeparatorsButNotAcrossCase) {
  tree.file("mixed.cpio", newcMember(testing::kCpioFileMode, "dir/a.txt", "a") +
                              newcMember(testing::kCpioFileMode, "dir\\b.txt", "b") +
                              newcMember(testing::kCpioFileMode, "Dir/c.txt", "c") +
                              newcMember(testing::kCpioFileMode, "/top.txt", "t") + newcTrailer());
  const std::vector<Row> inside = entries(run("*.txt"));
  ASSERT_EQ(inside.size(), 4u);
  EXPECT_EQ(inside[0].folder,
            tree.native("mixed.cpio"));  // a stored absolute name lies in the archive itself
  EXPECT_EQ(inside[0].name, "top.txt");
  EXPECT_EQ(inside[1].folder, tree.native("mixed.cpio/Dir"));
  EXPECT_EQ(inside[2].folder, tree.native("mixed.cpio/dir"));
  EXPECT_EQ(inside[3].folder, tree.native("mixed.cpio/dir"));
  // The tree's root, the archive as a folder, "dir" and "Dir".
  std::lock_guard<std::mutex> hold(context.store.lock());
  EXPECT_EQ(context.store.folderRecordLocked(5).bytes(), nullptr);
  EXPECT_NE(context.store.folderRecordLocked(4).bytes(), nullptr);
}

// The archive's root is no entry: a stored "/" and the empty name an image without entries is
// reported with give no row.
TEST_F(ArchiveSearchTest, TheArchiveRootIsNoRow) {
  tree.file("root.cpio", newcMember(testing::kCpioFileMode, "/", "r") +
                             newcMember(testing::kCpioFileMode, "a.txt", "a") + newcTrailer());
  const std::vector<Row> inside = entries(run("*"));
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0].name, "a.txt");
}

TEST_F(ArchiveSearchTest, AnEntryWithoutSizeShowsNoneAndAddsNoBytes) {
  copyFixture("bzip2/haystack.txt.bz2", "haystack.txt.bz2");
  FilterRecord bounds;
  bounds.flags = 0x100;  // minimum length 0
  const SearchFilter filter(bounds, context.secondChance);
  context.filter = &filter;
  context.options |= kOptWithFilter;
  const std::vector<Row> inside = entries(run("haystack.txt"));
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0].size, UINT64_MAX);
  // The entry's folder, the archive itself, is a folder record of its own.
  EXPECT_EQ(host.totals.back(), "Total 1 file, 1 folder") << host.totals.back();
}

TEST_F(ArchiveSearchTest, ContainingTextIsFoundInsideEveryFormatAndTheScratchFilesGo) {
  const char* fixtures[] = {"tar/plain-gnu.tar",
                            "cpio/tree-newc.cpio",
                            "iso/joliet.iso",
                            "fat/floppy-160k.img",
                            "gzip/stored-name.gz",
                            "bzip2/two-streams.txt.bz2",
                            "rpm/fixture-gzip.noarch.rpm",
                            "rpm/fixture-bzip2.noarch.rpm",
                            "zip/info-zip-deflate.zip",
                            "zip/7z-lzma.zip",
                            "zip/zstd-xz.zip"};
  for (const char* fixture : fixtures) copyFixture(fixture, fs::path(fixture).filename().string());
  tree.file("plain.txt", "no word here");
  TempTree temporary;
  const TemporaryFolderOverride redirect(temporary.native());
  const std::vector<Row> rows = run("*", "needle");

  std::vector<std::string> archivesWithHits;
  for (const Row& row : entries(rows)) {
    const std::string first = row.folder.substr(tree.native().size() + 1);
    archivesWithHits.push_back(first.substr(0, first.find(platform::kPathSeparator)));
  }
  for (const char* fixture : fixtures)
    EXPECT_NE(std::find(archivesWithHits.begin(), archivesWithHits.end(),
                        fs::path(fixture).filename().string()),
              archivesWithHits.end())
        << "nothing found inside " << fixture;

  // Every entry went through a scratch file in the run's own folder, which went with the run.
  EXPECT_TRUE(fs::is_empty(temporary.root()));
  EXPECT_EQ(context.skipped.total(), 0u);
}

// A folder or link planted where an earlier version put its scratch files is never written
// through: each run makes a folder of its own, for the user alone, and each scratch file new.
TEST_F(ArchiveSearchTest, PlantedScratchFoldersAndLinksAreNeverWrittenThrough) {
  copyFixture("tar/plain-gnu.tar", "packed.tar");
  TempTree victim;
  victim.file("important.conf", "keep me");
  TempTree temporary;
  const TemporaryFolderOverride redirect(temporary.native());
  std::error_code error;
  fs::create_directory_symlink(victim.root(), temporary.root() / "Ostrya", error);
  fs::create_symlink(victim.root() / "important.conf", temporary.root() / "1", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  EXPECT_FALSE(entries(run("*", "needle")).empty());
  EXPECT_EQ(testing::readFile(victim.root() / "important.conf"), "keep me");
  EXPECT_EQ(std::distance(fs::directory_iterator(victim.root()), fs::directory_iterator()), 1);
  // What the run made is gone; what was planted stays.
  EXPECT_EQ(std::distance(fs::directory_iterator(temporary.root()), fs::directory_iterator()), 2);

  // The run's folder is the user's alone, and a scratch file is never made over a name.
  const std::string folder = platform::createPrivateFolder(temporary.native() + "/", "Ostrya-");
  ASSERT_FALSE(folder.empty());
#ifdef _WIN32
  // One entry, for the user, not taken from the parent folder.
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, &acl, nullptr, &descriptor),
            ERROR_SUCCESS);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  EXPECT_NE(control & SE_DACL_PROTECTED, 0);
  ASSERT_NE(acl, nullptr);
  EXPECT_EQ(acl->AceCount, 1);
  LocalFree(descriptor);
#else
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  EXPECT_NE(platform::createPrivateFolder(temporary.native() + "/", "Ostrya-"), folder);
  archive::HostFile file = nullptr;
  EXPECT_EQ(archive::CreateNewOutputFile(nullptr, (temporary.native() + "/1").c_str(), &file),
            archive::kNothingToShow);
  EXPECT_EQ(file, nullptr);
  ASSERT_EQ(archive::CreateNewOutputFile(nullptr, (folder + "new").c_str(), &file), 0);
  services.CloseFile(file);
  EXPECT_EQ(archive::CreateNewOutputFile(nullptr, (folder + "new").c_str(), &file),
            archive::kNothingToShow);
}

// An entry larger than the scratch bound is not extracted but said to be too large: by its
// stated size before anything is written, or, where no size is stated, when the bound is met.
TEST_F(ArchiveSearchTest, EntriesBeyondTheScratchBoundAreSaidToBeTooLarge) {
  copyFixture("tar/plain-gnu.tar", "packed.tar");
  copyFixture("bzip2/haystack.txt.bz2", "haystack.txt.bz2");
  copyFixture("zip/info-zip-stored.zip", "stored.zip");
  TempTree temporary;
  const TemporaryFolderOverride redirect(temporary.native());
  ArchiveEntrySearch bounded(services, nullptr, 1000);
  context.archives = &bounded;
  const std::vector<Row> inside = entries(run("*", "needle"));
  std::multiset<std::string> names;
  for (const Row& row : inside) names.insert(row.name);
  // haystack.txt (6000 bytes) holds the needle but is too large; the small files are searched,
  // in the ZIP archive also those after it.
  EXPECT_EQ(names.count("haystack.txt"), 0u);
  EXPECT_EQ(names.count("inner.txt"), 2u);
  const auto counts = context.skipped.counts();
  EXPECT_EQ(counts[static_cast<std::size_t>(SkipKind::EntryTooLarge)], 3u);
  EXPECT_EQ(context.skipped.total(), 3u);
  EXPECT_TRUE(fs::is_empty(temporary.root()));
  context.archives = &archives;

  ConfigStore config(tree.native("settings.ini").c_str());
  EXPECT_EQ(scratchLimitSetting(config), ArchiveEntrySearch::kDefaultScratchLimit);
  config.putText("Ostrya", "ScratchLimitMB", "3");
  EXPECT_EQ(scratchLimitSetting(config), uint64_t{3} << 20);
}

// An archive whose entries cannot be read is said to be so, by kind, never taken for a miss: a
// package compressed with a method the program does not know, a damaged tar, and a file that
// begins as a ZIP but holds no central directory.
TEST_F(ArchiveSearchTest, ArchivesThatCannotBeSearchedAreSaidToBe) {
  std::string package = testing::readFile(archiveFixture("rpm/fixture-gzip.noarch.rpm"));
  const std::size_t compressor = package.find(std::string("gzip\0", 5));
  ASSERT_NE(compressor, std::string::npos);
  package.replace(compressor, 5, std::string("lz4\0\0", 5));
  tree.file("odd.rpm", package);
  copyFixture("tar/damaged-flipped.tar", "damaged.tar");
  tree.file("document.docx", std::string("PK\x03\x04", 4) + std::string(100, 'x'));
  TempTree temporary;
  const TemporaryFolderOverride redirect(temporary.native());
  for (const Row& row : entries(run("*", "needle")))
    EXPECT_EQ(row.folder.find(tree.native("odd.rpm")), std::string::npos) << row.name;
  const auto counts = context.skipped.counts();
  EXPECT_EQ(counts[static_cast<std::size_t>(SkipKind::ArchiveUnsupported)], 1u);
  EXPECT_EQ(counts[static_cast<std::size_t>(SkipKind::ArchiveDamaged)], 2u);
  std::set<std::string> paths;
  for (const SkippedItems::Item& item : context.skipped.firstItems()) paths.insert(item.path);
  EXPECT_EQ(paths, (std::set<std::string>{tree.native("odd.rpm"), tree.native("damaged.tar"),
                                          tree.native("document.docx")}));
}

// Workers test the files' contents, but the rows, their order, the totals and what could not be
// searched are those of one thread: over folders of small and large files (a match past the
// first chunk, matches in either case), archives of several formats and a damaged one.
TEST_F(ArchiveSearchTest, WorkersGiveTheRowsOfOneThread) {
  const char* fixtures[] = {"tar/plain-gnu.tar", "zip/info-zip-deflate.zip", "gzip/stored-name.gz",
                            "rpm/fixture-gzip.noarch.rpm", "tar/damaged-flipped.tar"};
  uint32_t seed = 7;
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % bound;
  };
  for (int folder = 0; folder < 6; ++folder) {
    const std::string base = "d" + std::to_string(folder) + (folder % 2 ? "/inner/" : "/");
    for (int i = 0; i < 40; ++i) {
      std::string contents(next(3000), 'x');
      if (next(3) == 0)
        contents.insert(next(static_cast<uint32_t>(contents.size()) + 1),
                        next(2) ? "needle" : "NEEDLE");
      tree.file(base + "f" + std::to_string(i) + ".txt", contents);
    }
    copyFixture(fixtures[folder % 5], base + fs::path(fixtures[folder % 5]).filename().string());
  }
  std::string large((FileContentTest::kDefaultChunkSize * 5) / 2, 'y');
  large.replace(large.size() - 10, 6, "needle");
  tree.file("d2/large.bin", large);
  TempTree temporary;
  const TemporaryFolderOverride redirect(temporary.native());

  for (const char* text : {"needle", "n[e]+dle"}) {
    if (std::string(text) != "needle") context.options |= kOptRegex;
    context.contentWorkers = 1;
    host.totals.clear();
    const std::vector<Row> alone = run("*", text);
    const auto aloneCounts = context.skipped.counts();
    const std::vector<std::string> aloneTotals = host.totals;
    context.contentWorkers = 4;
    host.totals.clear();
    const std::vector<Row> together = run("*", text);
    EXPECT_GT(alone.size(), 60u) << text;
    EXPECT_EQ(together, alone) << text;
    EXPECT_EQ(context.skipped.counts(), aloneCounts) << text;
    EXPECT_EQ(host.totals, aloneTotals) << text;
  }
}

// An entry carries its own read-only, hidden and system bits, whatever the archive file's are.
TEST_F(ArchiveSearchTest, EntriesKeepTheirOwnAttributesNotTheArchives) {
  copyFixture("fat/floppy-160k.img", "disk.img");
  fs::permissions(tree.native("disk.img"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const std::vector<Row> inside = entries(run("read-only.txt;readme.txt"));
  fs::permissions(tree.native("disk.img"), fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(inside.size(), 2u);
  for (const Row& row : inside) {
    // FAT keeps the short name README.TXT for readme.txt.
    const bool readOnly = row.name == "read-only.txt";
    EXPECT_EQ(row.attributes & (kRecReadOnly | kRecHidden | kRecSystem),
              readOnly ? uint32_t{kRecReadOnly} : 0u)
        << row.name;
  }
}

TEST_F(ArchiveSearchTest, WithoutTheOptionArchivesAreOrdinaryFiles) {
  copyFixture("tar/plain-ustar.tar", "packed.tar");
  context.options &= ~static_cast<uint32_t>(kOptArchives);
  EXPECT_TRUE(entries(run("*")).empty());
}

}  // namespace
}  // namespace ostrya
