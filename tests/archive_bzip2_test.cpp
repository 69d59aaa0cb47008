#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "archive/archive.h"
#include "archive/formats/bzip2.h"
#include "archive_fixture_listing.h"
#include "archive_test_host.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTestHost;
using testing::ListingRecorder;
using testing::TempTree;

std::string fixture(const char* name) {
  return testing::archiveFixture(std::string("bzip2/") + name).string();
}

// The file is never opened: a listing gives the name alone, without size or time.
TEST(Bzip2Reader, ListsOneEntryNamedAfterTheFile) {
  struct Case {
    std::string path;
    std::string name;
  } cases[] = {
      {fixture("haystack.txt.bz2"), testing::readListing(fixture("haystack.txt.bz2.list"))[0].name},
      {fixture("two-streams.txt.bz2"),
       testing::readListing(fixture("two-streams.txt.bz2.list"))[0].name},
      {"missing/backup.tbz", "backup.tar"},
      {"missing/backup.TBZ2", "backup.tar"},
      {"missing/backup.tar.bz2", "backup.tar"},
  };
  for (const Case& c : cases) {
    ArchiveTestHost host;
    ListingRecorder recorder;
    EXPECT_EQ(listBzip2(c.path.c_str(), &recorder.context, ListingRecorder::callback, host.services,
                        nullptr),
              kDone);
    ASSERT_EQ(recorder.entries.size(), 1u);
    EXPECT_EQ(recorder.entries[0].name, c.name);
    EXPECT_EQ(recorder.entries[0].size, kSizeNotGiven);
    EXPECT_EQ(recorder.entries[0].dosDate, 0);
    EXPECT_TRUE(host.callsOf("OpenFile").empty());
  }
}

// The search's containing-text test reads what OnEntryExtracted is given; the needle of the
// second fixture is in its second stream only.
TEST(Bzip2Reader, ExtractsEveryStreamToTheTargetAndAnnouncesIt) {
  const struct {
    const char* fixture;
    std::string contents;
  } cases[] = {
      {"haystack.txt.bz2", testing::fixtureHaystack()},
      {"two-streams.txt.bz2", "first stream: only haystack\nsecond stream: the needle\n"},
  };
  for (const auto& c : cases) {
    ArchiveTestHost host;
    TempTree tree;
    const std::string archive = fixture(c.fixture);
    EXPECT_EQ(testing::extractToTarget(host, archive, tree.native("entry.tmp"),
                                       ArchiveDetectType(archive.c_str(), host.services)),
              kDone);
    ASSERT_EQ(host.extractedContents.size(), 1u);
    EXPECT_EQ(host.extractedContents[0], c.contents);
    const std::string size = " " + std::to_string(c.contents.size()) + " ";
    EXPECT_NE(host.callsOf("OnEntryExtracted")[0].find(size), std::string::npos);
  }
}

TEST(Bzip2Reader, FailuresEndWithTheirCodeAndLeaveNothing) {
  TempTree tree;
  const std::string good = testing::archiveFixture("bzip2/haystack.txt.bz2").string();
  tree.file("plain.bz2", "not compressed at all");
  tree.file("garbage-after.bz2", testing::readFile(good) + "trailing bytes");
  tree.file("folder-target/x");
  const std::atomic<uint32_t> abort{1};
  struct Case {
    std::string archive;
    std::string target;
    bool aborted;
    int code;
  } cases[] = {
      {fixture("damaged-truncated.bz2"), "out", false, kDamagedData},
      {fixture("damaged-flipped.bz2"), "out", false, kDamagedData},
      {tree.native("plain.bz2"), "out", false, kDamagedData},
      {tree.native("garbage-after.bz2"), "out", false, kDamagedData},
      {tree.native("missing.bz2"), "out", false, kOpenFailed},
      {good, "out", true, kDecoderFailed},
      {good, "folder-target", false, kOutputNotOpened},
  };
  for (const Case& c : cases) {
    ArchiveTestHost host;
    const std::string target = tree.native(c.target);
    ExtractionRequest request;
    request.archivePath = c.archive.c_str();
    request.targetPath = target.c_str();
    if (c.aborted) request.abortFlag = &abort;
    EXPECT_EQ(extractBzip2(request, host.services), c.code) << c.archive;
    EXPECT_FALSE(fs::exists(tree.root() / "out")) << c.archive;
    EXPECT_TRUE(host.callsOf("OnEntryExtracted").empty()) << c.archive;
  }
}

}  // namespace
}  // namespace ostrya::archive
