#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "archive/bounded_text.h"
#include "archive/format_table.h"
#include "archive/formats/compressed_tar.h"
#include "archive_fixture_listing.h"
#include "archive_test_host.h"
#include "platform/path.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTestHost;
using testing::TempTree;

// Decompresses into a scratch folder that the test can look into afterwards.
class CompressedTar : public ::testing::Test {
 protected:
  CompressedTar() {
    scratchRoot_ = tree_.native("scratch") + platform::kPathSeparator;
    tree_.folder("scratch");
    host_.services.MakeUniqueName = uniqueInScratch;
  }

  int extract(ExtractOperation operation, const std::string& archive, ExtractionRequest request) {
    const std::string out = tree_.native("out");
    request.archivePath = archive.c_str();
    request.outputFolder = out.c_str();
    request.mode = kModeKeepFolders;
    const int code = operation(request, host_.services);
    EXPECT_TRUE(fs::is_empty(tree_.root() / "scratch")) << archive;
    host_.expectNoLeaks(archive);
    return code;
  }

  // Every file and folder below out/, folders ending in '/'.
  std::set<std::string> extracted() const {
    std::set<std::string> found;
    if (!fs::exists(tree_.root() / "out")) return found;
    for (const auto& item : fs::recursive_directory_iterator(tree_.root() / "out")) {
      std::string name = testing::narrowPath(fs::relative(item.path(), tree_.root() / "out"));
      found.insert(item.is_directory() ? name + "/"
                                       : name + " " + std::to_string(item.file_size()));
    }
    return found;
  }

  static uint32_t uniqueInScratch(const char* model, char* buffer, std::size_t capacity) {
    buffer[0] = '\0';
    AppendBounded(buffer, scratchRoot_.c_str(), capacity);
    return MakeUniqueName(model, buffer, capacity, ArchiveTestHost::current->services.FileExists);
  }

  inline static std::string scratchRoot_;
  TempTree tree_;
  ArchiveTestHost host_;
};

TEST_F(CompressedTar, ExtractsTheTarInsideAsItsListingSays) {
  const struct {
    const char* fixture;
    ExtractOperation operation;
  } cases[] = {
      {"tree.tgz", extractTgz},
      {"tree.tar.gz", extractTgz},
      {"tree.tbz", extractTbz},
      {"tree.tar.bz2", extractTbz},
  };
  for (const auto& c : cases) {
    fs::remove_all(tree_.root() / "out");
    const fs::path fixture = testing::archiveFixture(std::string("tar/") + c.fixture);
    ASSERT_EQ(extract(c.operation, fixture.string(), {}), kDone) << c.fixture;
    std::set<std::string> listed;
    for (const testing::ListedEntry& entry : testing::readListing(fixture.string() + ".list"))
      listed.insert(entry.size == "-" ? entry.name : entry.name + " " + entry.size);
    EXPECT_EQ(extracted(), listed) << c.fixture;
    EXPECT_EQ(testing::readFile(tree_.root() / "out" / "haystack.txt"), testing::fixtureHaystack());
  }
}

TEST_F(CompressedTar, SelectionOrTargetIsRefusedWithoutWriting) {
  char output[] = "chosen";
  SelectionPair selection[] = {{"readme.txt", output}, {nullptr, nullptr}};
  ExtractionRequest chosen;
  chosen.selection = selection;
  ExtractionRequest toTarget;
  toTarget.targetPath = "target";
  const std::string fixture = testing::archiveFixture("tar/tree.tgz").string();
  for (const ExtractionRequest& request : {chosen, toTarget}) {
    EXPECT_EQ(extract(extractTgz, fixture, request), kDone);
    EXPECT_TRUE(extracted().empty());
    EXPECT_TRUE(host_.callsOf("CreateFolderTree").empty());
  }
}

TEST_F(CompressedTar, FailuresOfEitherLayerEndItAndCleanUp) {
  const struct {
    const char* fixture;
    ExtractOperation operation;
    int code;
  } cases[] = {
      {"gzip/damaged-truncated.gz", extractTgz, kReadFailed},
      {"bzip2/damaged-flipped.bz2", extractTbz, kDamagedData},
      {"gzip/stored-name.gz", extractTgz, kCompressedTarHoldsNoTar},
      {"bzip2/haystack.txt.bz2", extractTbz, kCompressedTarHoldsNoTar},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(extract(c.operation, testing::archiveFixture(c.fixture).string(), {}), c.code)
        << c.fixture;
    EXPECT_TRUE(extracted().empty()) << c.fixture;
  }
}

}  // namespace
}  // namespace ostrya::archive
