#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/archive_host.h"
#include "archive/archive.h"
#include "archive/bounded_text.h"
#include "archive/entry_extraction.h"
#include "archive/format_table.h"
#include "archive/host_file.h"
#include "archive/output_path.h"
#include "archive_test_host.h"
#include "foundation/error_box.h"
#include "platform/file_ops.h"
#include "platform/path.h"
#include "test_tree.h"

namespace ostrya::archive {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTestHost;
using testing::TempTree;

// A path written with '/' in the test, with the system's separator.
std::string native(std::string path) {
  std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
  return path;
}

// Entry data held in memory.
class TextData final : public EntryData {
 public:
  explicit TextData(std::string text) : text_(std::move(text)) {}
  int writeTo(EntryOutput& output) override { return output.write(text_.data(), text_.size()); }

 private:
  std::string text_;
};

TEST(ArchiveBoundedText, AppendBoundedFitsCutsOrHasNoRoom) {
  struct Case {
    const char* before;
    const char* text;
    std::size_t capacity;
    int result;
    const char* after;
  } cases[] = {
      {"123456789", "x", 10, kNoRoom, "123456789"},
      {"12345", "abcdefghij", 10, kCut, "12345abcd"},
      {"12345678", "x", 10, kFitted, "12345678x"},
      {"12345678", "xy", 10, kCut, "12345678x"},
      {"", "abc", 4, kFitted, "abc"},
      {"", "abcd", 4, kCut, "abc"},
      {"123456789", "", 10, kFitted, "123456789"},
      {"", "", 1, kFitted, ""},
      {"", "a", 1, kNoRoom, ""},
      {"", "a", 0, kNoRoom, ""},
      // No terminator within the capacity: nothing is written past it.
      {"abcdef", "x", 3, kNoRoom, "abcdef"},
      {"abcdef", "", 3, kNoRoom, "abcdef"},
  };
  for (const Case& c : cases) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    std::strcpy(buffer, c.before);
    EXPECT_EQ(AppendBounded(buffer, c.text, c.capacity), c.result) << c.before << "+" << c.text;
    EXPECT_STREQ(buffer, c.after) << c.before << "+" << c.text;
    EXPECT_EQ(buffer[sizeof buffer - 1], '#');
  }
}

TEST(ArchiveBoundedText, NamePartsExtensionsAndCuts) {
  struct Case {
    const char* path;
    std::size_t extension;
    uint16_t namePart;
    const char* stripped;
    const char* cut;
  } cases[] = {
      {"C:\\dir\\name.txt", 11, 7, "C:\\dir\\name", "C:\\dir"},
      {"C:\\x", 4, 3, "C:\\x", "C:\\"},
      {"/x.gz", 2, 1, "/x", "/"},
      {"dir.v2/name", 11, 7, "dir.v2/name", "dir.v2"},
      {"dir/sub\\name.tar.gz", 16, 8, "dir/sub\\name.tar", "dir/sub"},
      {"a.b.c", 3, 0, "a.b", "a.b.c"},
      {"name", 4, 0, "name", "name"},
      {".profile", 0, 0, "", ".profile"},
      {"dir\\", 4, 4, "dir\\", "dir"},
      {"", 0, 0, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtensionPos(c.path), c.extension) << c.path;
    EXPECT_EQ(NamePartPos(c.path), c.namePart) << c.path;
    char buffer[64];
    std::strcpy(buffer, c.path);
    StripExtension(buffer);
    EXPECT_STREQ(buffer, c.stripped) << c.path;
    std::strcpy(buffer, c.path);
    CutLastPart(buffer);
    EXPECT_STREQ(buffer, c.cut) << c.path;
  }

  char text[] = "a/b\\c/";
  ToBackslashes(text);
  EXPECT_STREQ(text, "a\\b\\c\\");
  ToSlashes(text);
  EXPECT_STREQ(text, "a/b/c/");
}

TEST(ArchiveBoundedText, AddSeparatorAddsTheSystemsOneWhereNeeded) {
  const std::string separator(1, platform::kPathSeparator);
  struct Case {
    const char* before;
    std::size_t capacity;
    int result;
    std::string after;
  } cases[] = {
      {"", 10, kFitted, ""},
      {"dir", 10, kFitted, "dir" + separator},
      {"dir/", 10, kFitted, "dir/"},
      {"dir\\", 10, kFitted, "dir\\"},
      {"C:", 10, kFitted, "C:" + separator},
      {"dir", 4, kNoRoom, "dir"},
      {"dir", 5, kFitted, "dir" + separator},
  };
  for (const Case& c : cases) {
    char buffer[16];
    std::strcpy(buffer, c.before);
    EXPECT_EQ(AddSeparator(buffer, c.capacity), c.result) << c.before;
    EXPECT_EQ(std::string(buffer), c.after) << c.before;
  }
}

// Names the fake file system below holds.
std::set<std::string> takenNames;
int takenExists(const char* path) {
  return takenNames.count(path) ? 0 : 2;
}
int everythingExists(const char*) {
  return 0;
}

TEST(ArchiveBoundedText, MakeUniqueNameCountsPastTakenNames) {
  takenNames = {"dir/1.tgz", "dir/2.tgz", "dir/1"};
  char buffer[32] = "dir/archive.tgz";
  EXPECT_EQ(MakeUniqueName("model.tgz", buffer, sizeof buffer, takenExists), 3u);
  EXPECT_STREQ(buffer, "dir/3.tgz");
  std::strcpy(buffer, "dir/");
  EXPECT_EQ(MakeUniqueName("noextension", buffer, sizeof buffer, takenExists), 2u);
  EXPECT_STREQ(buffer, "dir/2");
  // Without room for a number, and on a host where every name is taken, it gives up.
  std::strcpy(buffer, "dir/x");
  EXPECT_EQ(MakeUniqueName("model.tgz", buffer, 8, takenExists), 0u);
  EXPECT_STREQ(buffer, "dir/");
  std::strcpy(buffer, "d/");
  EXPECT_EQ(MakeUniqueName("m", buffer, sizeof buffer, everythingExists), 0u);
  EXPECT_STREQ(buffer, "d/");
}

TEST(ArchiveFormatTable, RowsInOrderFoundByCode) {
  const TypeCode order[] = {kUu,  kXx,   kMimeBase64, kAce,         kArc, kArj, kBzip2,
                            kCab, kCpio, kGzip,       kFloppyImage, kIso, kLha, kRar,
                            kRpm, kTar,  kTbz,        kTgz,         kZip, kZoo};
  const auto rows = formatHandlers();
  ASSERT_EQ(rows.size(), std::size(order));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].code, order[i]) << i;
    EXPECT_EQ(findFormat(order[i]), &rows[i]);
  }
  EXPECT_STREQ(findFormat(kMimeBase64)->displayName, "MIME Base64");
  EXPECT_STREQ(findFormat(kFloppyImage)->extension, "img");
  EXPECT_STREQ(findFormat(kTgz)->displayName, "TGz");
  EXPECT_EQ(findFormat(kNoArchive), nullptr);
  EXPECT_EQ(findFormat(10014), nullptr);
  // Rows that can never list: the text encodings and the compressed-tar extractions.
  for (TypeCode code : {kUu, kXx, kMimeBase64, kTbz, kTgz})
    EXPECT_EQ(findFormat(code)->list, nullptr) << code;
  // ZIP and RAR are extracted by code, never through the row.
  EXPECT_EQ(findFormat(kZip)->extract, nullptr);
  EXPECT_EQ(findFormat(kRar)->extract, nullptr);
}

void recordEntry(const char* name, uint16_t, uint16_t, uint32_t, char, uint32_t, uint32_t, uint32_t,
                 ListingContext* context) {
  static_cast<std::vector<std::string>*>(context->request->caller)->push_back(name);
}

TEST(ArchiveList, CodesWithoutListOperationListNothing) {
  ArchiveTestHost host;
  std::vector<std::string> entries;
  ListingRequest request;
  request.caller = &entries;
  ListingContext context;
  context.request = &request;
  for (TypeCode code : {kUu, kMimeBase64, kTgz, TypeCode{0}, TypeCode{12345}})
    EXPECT_EQ(listAs(code, "no such file", &context, recordEntry, host.services, nullptr),
              kNotThisFormat)
        << code;
  EXPECT_TRUE(entries.empty());
  EXPECT_TRUE(host.calls.empty());
}

TEST(ArchiveList, FileWithoutArchiveListsNothingAndReturnsNull) {
  TempTree tree;
  // Plain text, and a ZIP signature whose reader lists nothing yet.
  tree.file("notes.txt", std::string(300, 'n'));
  tree.file("signature.zip", std::string("PK\x03\x04", 4) + std::string(60, '\0'));
  for (const char* name : {"notes.txt", "signature.zip", "missing"}) {
    ArchiveTestHost host;
    std::vector<std::string> entries;
    ListingRequest request;
    request.caller = &entries;
    const std::string path = tree.native(name);
    EXPECT_EQ(ArchiveList(path.c_str(), request, recordEntry, host.services, nullptr), nullptr);
    EXPECT_TRUE(entries.empty()) << name;
    EXPECT_EQ(request.typeResult, kNoArchive) << name;
    EXPECT_EQ(host.callsOf("CheckDecoded"),
              (std::vector<std::string>{"CheckDecodedText " + path, "CheckDecodedMime " + path}));
    // The host's wait cursor covers the listing, and what it had before comes back.
    EXPECT_EQ(host.callsOf("BeginWait").size(), 1u) << name;
    EXPECT_EQ(host.callsOf("EndWait"), std::vector<std::string>{"EndWait 42"}) << name;
    EXPECT_EQ(host.openFiles, 0) << name;
    EXPECT_EQ(host.liveBlocks, 0) << name;
  }
}

// The hooks and keep words decide whether detection runs and whether the record is kept.
TEST(ArchiveList, HooksAndKeepWordsDecideTheRecord) {
  TempTree tree;
  tree.file("sub/mail.txt", "begin 644 x\n");
  const std::string path = tree.native("sub/mail.txt");
  struct Case {
    const char* what;
    uint32_t keepBefore[2];
    uint16_t typeBefore;
    bool textKeeps, mimeKeeps;
    int textResult;
    TypeCode type;
    std::size_t hookCalls;
    std::size_t opens;
  } cases[] = {
      {"no hook claims it", {0, 0}, 0, false, false, 0, kNoArchive, 2, 2},
      {"text hook claims it", {0, 0}, 0, true, false, kUu, kUu, 1, 1},
      {"MIME hook claims it", {0, 0}, 0, false, true, 0, kMimeBase64, 2, 1},
      {"keep word set before", {0, 7}, kXx, false, false, 0, kXx, 0, 1},
      {"keep word set, no type", {7, 0}, 0, false, false, 0, kNoArchive, 0, 1},
  };
  for (const Case& c : cases) {
    ArchiveTestHost host;
    host.textHookKeeps = c.textKeeps;
    host.mimeHookKeeps = c.mimeKeeps;
    host.textHookResult = c.textResult;
    host.lastWrite = 130000000000000000ull;
    ListingRequest request;
    request.keep[0] = c.keepBefore[0];
    request.keep[1] = c.keepBefore[1];
    request.typeResult = c.typeBefore;
    ArchiveRecord* record = ArchiveList(path.c_str(), request, recordEntry, host.services, nullptr);
    EXPECT_EQ(request.typeResult, c.type) << c.what;
    EXPECT_EQ(host.callsOf("CheckDecoded").size(), c.hookCalls) << c.what;
    // One open for the archive's own date and size, one for detection.
    EXPECT_EQ(host.callsOf("OpenFile").size(), c.opens) << c.what;
    if (c.type == kNoArchive) {
      EXPECT_EQ(record, nullptr) << c.what;
    } else {
      ASSERT_NE(record, nullptr) << c.what;
      EXPECT_EQ(record->type, c.type);
      EXPECT_STREQ(record->path, path.c_str());
      EXPECT_STREQ(record->path + record->nameOffset, "mail.txt");
      EXPECT_EQ(record->size, 12u);
      uint16_t date, time;
      platform::fileTimeToLocalDos(host.lastWrite, date, time);
      EXPECT_EQ(record->dosDate, date);
      EXPECT_EQ(record->dosTime, time);
      EXPECT_EQ(host.liveBlocks, 1);
      ArchiveRecordFree(record, host.services);
      EXPECT_EQ(record, nullptr);
    }
    EXPECT_EQ(host.liveBlocks, 0) << c.what;
    EXPECT_EQ(host.openFiles, 0) << c.what;
  }
}

TEST(ArchiveList, NoMemoryForTheRecordGivesNullAndOpensNothing) {
  ArchiveTestHost host;
  host.failAlloc = true;
  ListingRequest request;
  EXPECT_EQ(ArchiveList("any", request, recordEntry, host.services, nullptr), nullptr);
  EXPECT_TRUE(host.calls.empty());
}

TEST(ArchiveExtract, DispatchesByCodeAndReportsEachErrorOnce) {
  int owner = 0;
  std::vector<std::pair<TypeCode, int>> cases = {{kUu, kDone},
                                                 {kXx, kDone},
                                                 {kMimeBase64, kDone},
                                                 {0, kNotThisFormat},
                                                 {12345, kNotThisFormat},
                                                 // The engines are reached: the file is missing.
                                                 {kZip, kOpenFailed},
                                                 {kRar, kNotThisFormat}};
  // Every row without an extract operation of its own or an engine built in.
  for (const FormatHandler& row : formatHandlers())
    if (row.extract == nullptr && row.code != kUu && row.code != kXx && row.code != kMimeBase64 &&
        row.code != kZip && row.code != kRar)
      cases.push_back({row.code, kNotThisFormat});
  for (const auto& [type, expected] : cases) {
    ArchiveTestHost host;
    char password[128] = "";
    std::atomic<uint32_t> abort{0};
    EXPECT_EQ(ArchiveExtract(&owner, "archive", "target", false, type, &abort, password, false,
                             nullptr, host.services),
              expected)
        << type;
    std::ostringstream report;
    report << "ReportError " << static_cast<void*>(&owner) << " " << expected;
    EXPECT_EQ(host.callsOf("ReportError"), expected == kDone
                                               ? std::vector<std::string>{}
                                               : std::vector<std::string>{report.str()})
        << type;
  }
}

TEST(ArchiveRequestComplete, SelectionOrTargetWithSingleEntry) {
  char done[] = ":out";
  char open[] = "out";
  SelectionPair allDone[] = {{"a", done}, {"b", done}, {nullptr, nullptr}};
  SelectionPair oneOpen[] = {{"a", done}, {"b", open}, {nullptr, nullptr}};
  SelectionPair none[] = {{nullptr, nullptr}};
  struct Case {
    SelectionPair* selection;
    const char* target;
    const char* single;
    bool complete;
  } cases[] = {
      {allDone, nullptr, nullptr, true}, {oneOpen, "t", "a", false},
      {none, nullptr, nullptr, true},    {nullptr, "t", "a", true},
      {nullptr, "t", nullptr, false},    {nullptr, nullptr, "a", false},
  };
  for (const Case& c : cases) {
    ExtractionRequest request;
    request.selection = c.selection;
    request.targetPath = c.target;
    request.singleEntry = c.single;
    EXPECT_EQ(requestComplete(request), c.complete);
  }
}

// The branches of the output rule; the folders are not made.
TEST(ArchiveMapOutputPath, SelectionFolderTargetAndSingleEntry) {
  TempTree tree;
  ArchiveTestHost host;
  host.makeFolders = false;
  const std::string folder = tree.native("out/");
  const std::string target = tree.native("t/1");
  struct Case {
    const char* what;
    bool target;
    const char* single;
    const char* outputFolder;
    uint32_t mode;
    const char* entry;
    std::string output;
  } cases[] = {
      {"folder, names dropped", false, nullptr, "out/", 0, "a/b\\c.txt", folder + "c.txt"},
      {"folder, names kept", false, nullptr, "out/", kModeKeepFolders, "a/b\\c.txt",
       folder + native("a/b/c.txt")},
      {"folder without separator", false, nullptr, "out", 0, "c.txt", folder + "c.txt"},
      {"no folder at all", false, nullptr, nullptr, 0, "c.txt", ""},
      {"empty folder", false, nullptr, "", 0, "c.txt", ""},
      {"target, any entry", true, nullptr, nullptr, 0, "a/b.txt", target},
      {"target, the single entry", true, "a/b.txt", nullptr, 0, "a/b.txt", target},
      {"target, another entry", true, "a/b.txt", nullptr, 0, "a/B.txt", ""},
      {"target wins over folder", true, nullptr, "out/", 0, "x", target},
  };
  for (const Case& c : cases) {
    ExtractionRequest request;
    request.targetPath = c.target ? target.c_str() : nullptr;
    request.singleEntry = c.single;
    const std::string outputFolder =
        c.outputFolder && c.outputFolder[0] ? tree.native(c.outputFolder) : "";
    request.outputFolder = c.outputFolder ? outputFolder.c_str() : nullptr;
    request.mode = c.mode;
    char output[platform::kMaxPath] = "junk";
    MapOutputPath(request, c.entry, output, host.services);
    EXPECT_EQ(std::string(output), c.output) << c.what;
  }
}

TEST(ArchiveMapOutputPath, SelectionListTakesTheFirstOpenPairAndMarksIt) {
  ArchiveTestHost host;
  host.makeFolders = false;
  char first[] = "/o/first";
  char second[] = "/o/second";
  char other[] = "/o/other";
  SelectionPair pairs[] = {{"x", first}, {"y", other}, {"x", second}, {nullptr, nullptr}};
  ExtractionRequest request;
  request.selection = pairs;
  char output[platform::kMaxPath];
  MapOutputPath(request, "x", output, host.services);
  EXPECT_STREQ(output, "/o/first");
  EXPECT_EQ(first[0], kPairDone);
  MapOutputPath(request, "x", output, host.services);
  EXPECT_STREQ(output, "/o/second");
  MapOutputPath(request, "x", output, host.services);
  EXPECT_STREQ(output, "");
  MapOutputPath(request, "X", output, host.services);
  EXPECT_STREQ(output, "");
  EXPECT_STREQ(other, "/o/other");

  // With a target path the pairs stay open: the same entry may be written again.
  char kept[] = "/o/kept";
  SelectionPair withTarget[] = {{"x", kept}, {nullptr, nullptr}};
  request.selection = withTarget;
  request.targetPath = "/t";
  MapOutputPath(request, "x", output, host.services);
  EXPECT_STREQ(output, "/o/kept");
  EXPECT_STREQ(kept, "/o/kept");
}

TEST(ArchiveMapOutputPath, CreatesTheFolderOfTheOutputOnly) {
  TempTree tree;
  ArchiveTestHost host;
  const std::string target = tree.native("Ostrya/1");
  ExtractionRequest request;
  request.targetPath = target.c_str();
  char output[platform::kMaxPath];
  EXPECT_EQ(MapOutputPath(request, "entry", output, host.services), 0);
  EXPECT_EQ(host.callsOf("CreateFolderTree"),
            std::vector<std::string>{"CreateFolderTree " + tree.native("Ostrya")});
  EXPECT_TRUE(fs::is_directory(tree.root() / "Ostrya"));
  EXPECT_FALSE(fs::exists(tree.root() / "Ostrya" / "1"));

  // A name part at index 0 or 1 has no folder to make.
  for (const char* bare : {"x", "/x"}) {
    host.calls.clear();
    request.targetPath = bare;
    MapOutputPath(request, "entry", output, host.services);
    EXPECT_STREQ(output, bare);
    EXPECT_TRUE(host.calls.empty()) << bare;
  }

  // A path that does not fit is skipped, never cut.
  const std::string longTarget = tree.native(std::string(300, 'l'));
  request.targetPath = longTarget.c_str();
  MapOutputPath(request, "entry", output, host.services);
  EXPECT_STREQ(output, "");
  const std::string folder = tree.native("out/");
  request.targetPath = nullptr;
  request.outputFolder = folder.c_str();
  MapOutputPath(request, std::string(platform::kMaxPath, 'n').c_str(), output, host.services);
  EXPECT_STREQ(output, "");
}

// Names a stranger may store, where each lands below the output folder (with folder names
// dropped, and kept); an empty expectation means the entry is skipped.
struct HostileName {
  const char* name;
  const char* flat;
  const char* kept;
};
const HostileName kHostileNames[] = {
    {"..\\..\\x", "x", "x"},
    {"../../x", "x", "x"},
    {"/etc/x", "x", "etc/x"},
    {"C:\\x", "x", "x"},
    {"C:x", "x", "x"},
    {"\\\\?\\x", "x", "_/x"},
    {"\\\\server\\share\\x", "x", "server/share/x"},
    {"a/../../b", "b", "a/b"},
    {"a/./b", "b", "a/b"},
    {"CON", "_CON", "_CON"},
    {"aux.txt", "_aux.txt", "_aux.txt"},
    {"dir/Com1.log", "_Com1.log", "dir/_Com1.log"},
    {"LPT9", "_LPT9", "_LPT9"},
    {"con .txt", "_con .txt", "_con .txt"},
    {"nul.", "_nul", "_nul"},
    {"conin$", "_conin$", "_conin$"},
    {"console", "console", "console"},
    {"COM10", "COM10", "COM10"},
    {"name. . .", "name", "name"},
    {"...", "", ""},
    {"a*b?.txt", "a_b_.txt", "a_b_.txt"},
    {"file:stream", "file_stream", "file_stream"},
    {"tab\tname", "tab_name", "tab_name"},
    {"dir./f", "f", "dir/f"},
    {"..", "", ""},
    {"", "", ""},
    {"/", "", ""},
    {"C:", "", ""},
    {"../", "", ""},
    {"dir/", "", "dir/"},
};

TEST(ArchiveMapOutputPath, HostileNamesStayBelowTheOutputFolder) {
  TempTree tree;
  ArchiveTestHost host;
  const std::string folder = tree.native("out/");
  for (const HostileName& hostile : kHostileNames) {
    for (const bool keep : {false, true}) {
      ExtractionRequest request;
      request.outputFolder = folder.c_str();
      request.mode = keep ? kModeKeepFolders : 0;
      char output[platform::kMaxPath];
      MapOutputPath(request, hostile.name, output, host.services);
      const std::string expected = keep ? hostile.kept : hostile.flat;
      EXPECT_EQ(std::string(output), expected.empty() ? "" : folder + native(expected))
          << hostile.name << (keep ? " (kept)" : " (flat)");
    }
  }
}

// Asks to try again while `retries` last, freeing the path before the first retry.
class RetryingPresenter final : public ErrorPresenter {
 public:
  int present(void*, const char*, const char* caption) override {
    captions.push_back(caption);
    return 1;
  }
  bool presentWithRetry(void*, const char*, const char* caption) override {
    captions.push_back(caption);
    if (retries == 0) return false;
    --retries;
    fs::remove(blocked);
    return true;
  }
  fs::path blocked;
  int retries = 0;
  std::vector<std::string> captions;
};

// The program's services show an output that cannot be created through its presenter and try
// again while the user asks; the application's own show nothing.
TEST(ArchiveApplicationHost, OutputThatCannotBeMadeIsOfferedAgain) {
  TempTree tree;
  RetryingPresenter presenter;
  presenter.blocked = tree.root() / "entry.tmp";
  setErrorPresenter(&presenter);
  HostServices program;
  programArchiveServices(program);
  HostServices quiet;
  ArchiveServicesInit(quiet);
  struct Case {
    const HostServices& host;
    int retries;
    bool made;
    std::vector<std::string> captions;
  } cases[] = {
      {program, 1, true, {"entry.tmp"}},
      {program, 0, false, {"entry.tmp"}},
      {quiet, 1, false, {}},
  };
  for (const Case& c : cases) {
    // A folder stands where the file should be.
    tree.folder("entry.tmp");
    presenter.retries = c.retries;
    presenter.captions.clear();
    HostFile file = nullptr;
    const int code = createHostOutput(c.host, nullptr, tree.native("entry.tmp").c_str(), &file);
    EXPECT_EQ(code == 0, c.made) << c.retries;
    EXPECT_EQ(file != nullptr, c.made) << c.retries;
    EXPECT_EQ(presenter.captions, c.captions) << c.retries;
    if (file) c.host.CloseFile(file);
    EXPECT_EQ(fs::is_regular_file(tree.root() / "entry.tmp"), c.made) << c.retries;
    fs::remove_all(tree.root() / "entry.tmp");
  }
  // A path whose folders cannot be made is nothing the user could mend.
  tree.file("plain", "x");
  HostFile file = nullptr;
  EXPECT_EQ(createHostOutput(program, nullptr, tree.native("plain/sub/entry").c_str(), &file),
            kNothingToShow);
  EXPECT_TRUE(presenter.captions.empty());
  setErrorPresenter(nullptr);
}

// Every stored name, extracted through this test's host and through the application's, writes
// below the output folder and nowhere else.
TEST(ArchiveMapOutputPath, HostileNamesWriteNothingOutside) {
  TempTree tree;
  tree.folder("out");
  const std::string folder = tree.native("out/");
  ArchiveTestHost host;
  HostServices application;
  ArchiveServicesInit(application);
  for (const HostServices* services : {&host.services, &application}) {
    for (const HostileName& hostile : kHostileNames) {
      for (const bool keep : {false, true}) {
        ExtractionRequest request;
        request.outputFolder = folder.c_str();
        request.mode = keep ? kModeKeepFolders : 0;
        EntryFacts entry;
        entry.name = hostile.name;
        TextData data(hostile.name);
        const EntryStep step = extractEntry(request, *services, entry, &data);
        EXPECT_EQ(step.code, kDone) << hostile.name;
        EXPECT_FALSE(step.ends) << hostile.name;
      }
    }
  }
  std::size_t files = 0;
  for (const auto& item : fs::recursive_directory_iterator(tree.root())) {
    EXPECT_EQ(*item.path().lexically_relative(tree.root()).begin(), "out") << item.path();
    if (item.is_regular_file()) ++files;
  }
  EXPECT_GT(files, 15u);
  EXPECT_EQ(testing::readFile(tree.root() / "out" / "_CON"), "CON");
  EXPECT_TRUE(fs::is_directory(tree.root() / "out" / "dir"));
}

class ArchiveEntryExtraction : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.file("archive.bin", stored);
    archivePath = tree.native("archive.bin");
    target = tree.native("Ostrya/1");
    request.targetPath = target.c_str();
    request.callerContext = &callerContext;
    entry.name = "dir/entry.txt";
    entry.dosDate = 0x5A21;
    entry.dosTime = 0x6B2F;
    entry.attributes = 0xE7;
    entry.flag = kEncryptedFlag;
    entry.size = static_cast<uint32_t>(stored.size());
  }

  // The per-entry steps with the stored data of archive.bin (or `size` bytes of it).
  EntryStep extract(uint64_t size) {
    HostFile archive = nullptr;
    EXPECT_EQ(host.services.OpenFile(archivePath.c_str(), &archive, kReadAccess), 0);
    StoredData data(host.services, archive, size);
    const EntryStep step = extractEntry(request, host.services, entry, &data);
    host.services.CloseFile(archive);
    return step;
  }
  EntryStep extract() { return extract(stored.size()); }

  TempTree tree;
  ArchiveTestHost host;
  const std::string stored = std::string(1300, 's') + "end";
  std::string archivePath, target;
  int callerContext = 0;
  ExtractionRequest request;
  EntryFacts entry;
};

TEST_F(ArchiveEntryExtraction, WritesTheDataTimeAndAttributesThenNotifies) {
  int progressContext = 0;
  request.progressContext = &progressContext;
  const EntryStep step = extract();
  EXPECT_EQ(step.code, kDone);
  EXPECT_FALSE(step.ends);
  EXPECT_EQ(testing::readFile(tree.root() / "Ostrya" / "1"), stored);
  EXPECT_EQ(host.progress, (std::vector<uint32_t>{512, 512, 279}));
  std::ostringstream notified;
  notified << "OnEntryExtracted " << target << " dir/entry.txt " << 0x5A21 << " " << 0x6B2F << " "
           << 0xE7 << " E " << stored.size() << " " << static_cast<void*>(&callerContext);
  EXPECT_EQ(host.calls, (std::vector<std::string>{
                            "OpenFile " + archivePath,
                            "CreateFolderTree " + tree.native("Ostrya"),
                            "ConfirmOverwrite " + target,
                            "CreateOutputFile " + target,
                            "SetFileDosTime 23073 27439",
                            "SetAttributes " + target + " 39",
                            notified.str(),
                        }));
  EXPECT_EQ(host.extractedContents, std::vector<std::string>{stored});
  EXPECT_EQ(host.openFiles, 0);

  // With an output folder nothing is announced, and without a progress context nothing is
  // reported.
  host.calls.clear();
  host.progress.clear();
  request.progressContext = nullptr;
  const std::string folder = tree.native("out");
  request.targetPath = nullptr;
  request.outputFolder = folder.c_str();
  EXPECT_EQ(extract().code, kDone);
  EXPECT_EQ(testing::readFile(tree.root() / "out" / "entry.txt"), stored);
  EXPECT_TRUE(host.callsOf("OnEntryExtracted").empty());
  EXPECT_TRUE(host.progress.empty());
}

// How the abort word, the single entry, the selection list and the overwrite answer end or skip
// an entry. `written` is whether the target exists afterwards.
TEST_F(ArchiveEntryExtraction, AbortSingleEntryAndOverwriteAnswers) {
  char pairOutput[platform::kMaxPath];
  SelectionPair selection[] = {{"dir/entry.txt", pairOutput}, {nullptr, nullptr}};
  struct Case {
    const char* what;
    bool abort;
    const char* single;
    bool select;
    uint32_t mode;
    int answer;
    bool clearOutput;
    bool ends;
    bool written;
    std::size_t questions;
  } cases[] = {
      {"abort word set", true, nullptr, false, 0, 0, false, true, false, 0},
      {"any entry", false, nullptr, false, 0, 0, false, false, true, 1},
      {"the single entry", false, "dir/entry.txt", false, 0, 0, false, true, true, 1},
      {"not the single entry", false, "entry.txt", false, 0, 0, false, false, false, 0},
      {"answer: stop", false, nullptr, false, 0, kStopExtraction, false, true, false, 1},
      {"answer: skip", false, nullptr, false, 0, kSkipEntry, false, false, false, 1},
      {"output cleared", false, nullptr, false, 0, 0, true, false, false, 1},
      {"selection, not asked", false, nullptr, true, 0, kStopExtraction, false, false, true, 0},
      {"selection, asked", false, nullptr, true, kModeAskWithSelection, kStopExtraction, false,
       true, false, 1},
  };
  for (const Case& c : cases) {
    fs::remove_all(tree.root() / "Ostrya");
    host.calls.clear();
    std::strcpy(pairOutput, target.c_str());
    std::atomic<uint32_t> abort{c.abort ? 1u : 0u};
    request.abortFlag = &abort;
    request.singleEntry = c.single;
    request.selection = c.select ? selection : nullptr;
    request.mode = c.mode;
    host.overwriteAnswer = c.answer;
    host.clearOutputOnConfirm = c.clearOutput;
    const EntryStep step = extract();
    EXPECT_EQ(step.code, kDone) << c.what;
    EXPECT_EQ(step.ends, c.ends) << c.what;
    EXPECT_EQ(fs::exists(tree.root() / "Ostrya" / "1"), c.written) << c.what;
    EXPECT_EQ(host.callsOf("ConfirmOverwrite").size(), c.questions) << c.what;
    if (c.abort) {
      EXPECT_EQ(host.calls, std::vector<std::string>{"OpenFile " + archivePath});
    }
  }
}

TEST_F(ArchiveEntryExtraction, FailuresNameTheirCauseAndRemoveTheOutput) {
  // A file where the output's folder should be: the output cannot be created.
  tree.file("Ostrya", "in the way");
  EXPECT_EQ(extract().code, kOpenFailed);
  EXPECT_TRUE(host.callsOf("DeleteFileRetry").empty());
  // Shown through the host, with the choice to try again.
  EXPECT_EQ(host.callsOf("ShowSystemError"),
            std::vector<std::string>{"ShowSystemError 1 " + target + " retry?"});
  fs::remove(tree.root() / "Ostrya");

  struct Case {
    const char* what;
    uint64_t size;
    bool failWrites;
    int code;
    std::vector<std::string> shown;
  } cases[] = {
      {"archive ends early", 5000, false, kReadFailed, {}},
      {"write fails", 100, true, kWriteFailed, {"ShowSystemError 112 "}},
  };
  for (const Case& c : cases) {
    host.calls.clear();
    host.failWrites = c.failWrites;
    const EntryStep step = extract(c.size);
    EXPECT_EQ(step.code, c.code) << c.what;
    EXPECT_TRUE(step.ends) << c.what;
    EXPECT_EQ(host.callsOf("DeleteFileRetry"),
              std::vector<std::string>{"DeleteFileRetry " + target})
        << c.what;
    EXPECT_EQ(host.callsOf("ShowSystemError"), c.shown) << c.what;
    EXPECT_FALSE(fs::exists(tree.root() / "Ostrya" / "1")) << c.what;
    EXPECT_TRUE(host.callsOf("OnEntryExtracted").empty()) << c.what;
    EXPECT_TRUE(host.callsOf("SetAttributes").empty()) << c.what;
    EXPECT_EQ(host.openFiles, 0) << c.what;
  }
}

TEST_F(ArchiveEntryExtraction, FolderEntriesAreMadeOnlyBelowAnOutputFolder) {
  entry.name = "dir/sub/";
  entry.attributes = 0;
  EXPECT_EQ(extract().code, kDone);
  EXPECT_TRUE(host.callsOf("CreateOutputFile").empty());
  EXPECT_FALSE(fs::exists(tree.root() / "Ostrya" / "1"));

  const std::string folder = tree.native("out/");
  request.targetPath = nullptr;
  request.outputFolder = folder.c_str();
  request.mode = kModeKeepFolders;
  EXPECT_EQ(extract().code, kDone);
  EXPECT_TRUE(fs::is_directory(tree.root() / "out" / "dir" / "sub"));
  entry.name = "named";
  entry.attributes = kEntryFolder;
  EXPECT_EQ(extract().code, kDone);
  EXPECT_TRUE(fs::is_directory(tree.root() / "out" / "named"));
  EXPECT_TRUE(host.callsOf("CreateOutputFile").empty());
}

// The application's services, on the real file system.
TEST(ArchiveDefaultHost, FilesRoundTrip) {
  TempTree tree;
  HostServices host;
  ArchiveServicesInit(host);
  const std::string path = tree.native("new/folders/file.bin");
  HostFile file = nullptr;
  ASSERT_EQ(host.CreateOutputFile(nullptr, path.c_str(), &file), 0);
  EXPECT_EQ(host.WriteExact(nullptr, file, "0123456789", 10), 0);
  // 3 February 2001, 04:05:06.
  const uint16_t date = (21 << 9) | (2 << 5) | 3, time = (4 << 11) | (5 << 5) | 3;
  EXPECT_EQ(host.SetFileDosTime(file, 0, 0), 0);
  EXPECT_NE(host.SetFileDosTime(file, date, time), 0);
  EXPECT_NE(host.CloseFile(file), 0);

  ASSERT_EQ(host.OpenFile(path.c_str(), &file, kReadAccess), 0);
  uint64_t size = 0;
  EXPECT_EQ(host.GetFileSize(nullptr, file, &size), 0);
  EXPECT_EQ(size, 10u);
  platform::FileTimes times;
  EXPECT_EQ(host.GetFileTimes(nullptr, file, &times, path.c_str()), 0);
  uint16_t readDate = 0, readTime = 0;
  EXPECT_TRUE(platform::fileTimeToLocalDos(times.lastWrite, readDate, readTime));
  EXPECT_EQ(readDate, date);
  EXPECT_EQ(readTime, time);
  char buffer[16] = {};
  EXPECT_EQ(host.ReadExact(file, buffer, 4), 0);
  EXPECT_STREQ(buffer, "0123");
  uint64_t position = 0;
  EXPECT_EQ(host.SeekFile(file, 2, platform::SeekFrom::Current, &position), 0);
  EXPECT_EQ(position, 6u);
  uint32_t got = 0;
  EXPECT_EQ(host.ReadSome(file, buffer, 16, &got), 0);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(host.SeekFile(file, 8, platform::SeekFrom::Start, &position), 0);
  EXPECT_EQ(host.ReadExact(file, buffer, 4), 1);
  EXPECT_NE(host.CloseFile(file), 0);
  EXPECT_EQ(host.OpenFile(tree.native("missing").c_str(), &file, kReadAccess), 2);

  EXPECT_EQ(host.FileExists(path.c_str()), 0);
  EXPECT_NE(host.SetAttributes(path.c_str(), kEntryReadOnly), 0);
  EXPECT_EQ(host.MakeWritable(path.c_str()), 0);
  EXPECT_NE(host.SetAttributes(path.c_str(), kEntryReadOnly), 0);
  EXPECT_EQ(host.DeleteFileQuiet(path.c_str()), 0);
  EXPECT_EQ(host.FileExists(path.c_str()), 2);
  EXPECT_EQ(host.MakeWritable(path.c_str()), 2);

  // The default notification deletes the extracted file.
  tree.file("extracted", "x");
  const std::string extracted = tree.native("extracted");
  EXPECT_EQ(host.OnEntryExtracted(extracted.c_str(), "e", 0, 0, 0, ' ', 1, nullptr), 0);
  EXPECT_FALSE(fs::exists(tree.root() / "extracted"));
}

TEST(ArchiveDefaultHost, FoldersNamesAndMemory) {
  TempTree tree;
  HostServices host;
  ArchiveServicesInit(host);
  const std::string nested = tree.native("a/b/c/");
  EXPECT_EQ(host.CreateFolderTree(nullptr, nested.c_str()), 0);
  EXPECT_TRUE(fs::is_directory(tree.root() / "a" / "b" / "c"));
  EXPECT_EQ(host.CreateFolderTree(nullptr, nested.c_str()), 0);
  tree.file("blocker", "");
  EXPECT_EQ(host.CreateFolderTree(nullptr, tree.native("blocker").c_str()), 183);
  EXPECT_EQ(host.CreateFolderTree(nullptr, tree.native(std::string(300, 'x')).c_str()), 206);
  EXPECT_EQ(host.RemoveFolder(nullptr, tree.native("a/b/c").c_str()), 0);
  EXPECT_FALSE(fs::exists(tree.root() / "a" / "b" / "c"));

  tree.file("1.tgz", "");
  char buffer[platform::kMaxPath];
  std::strcpy(buffer, tree.native("model.tgz").c_str());
  EXPECT_EQ(host.MakeUniqueName("x.tgz", buffer, sizeof buffer), 2u);
  EXPECT_EQ(std::string(buffer), tree.native("2.tgz"));
  buffer[0] = '\0';
  EXPECT_GE(host.MakeUniqueName("x.tgz", buffer, sizeof buffer), 1u);
  EXPECT_NE(NamePartPos(buffer), 0u);

  EXPECT_EQ(host.Alloc(0), nullptr);
  void* block = host.Alloc(64);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::count(static_cast<char*>(block), static_cast<char*>(block) + 64, 0), 64);
  host.FreeAndClear(&block);
  EXPECT_EQ(block, nullptr);

  uint32_t cluster = 0;
  uint64_t freeBytes = 0, totalBytes = 0;
  EXPECT_NE(host.GetDiskSpace(tree.native().c_str(), &cluster, &freeBytes, &totalBytes), 0);
  EXPECT_GT(totalBytes, 0u);
}

TEST(ArchiveDefaultHost, DialogSlotsAnswerAsTheApplication) {
  HostServices host;
  ArchiveServicesInit(host);
  char password[128] = "left over";
  PasswordPrompt prompt{password, 127, "entry"};
  EXPECT_EQ(host.AskPassword(nullptr, &prompt), -2);
  EXPECT_STREQ(password, "");
  EXPECT_EQ(host.ConfirmReplace(nullptr, "out", 0, 0, 0), kReplaceAll);
  char output[] = "out";
  int answer = 0;
  host.ConfirmOverwrite(nullptr, output, &answer, 0, 0, 0);
  EXPECT_EQ(answer, 0);
  EXPECT_STREQ(output, "out");
  ListingContext context;
  uint16_t date = 0, time = 0;
  EXPECT_EQ(host.CheckDecodedText("x", &date, &time, &context), 0);
  EXPECT_EQ(host.CheckDecodedMime("x", &date, &time, &context), 0);
}

}  // namespace
}  // namespace ostrya::archive
