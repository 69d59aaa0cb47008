// portable: no platform headers.
#include "archive/formats/ace_library.h"

#include <cstring>
#include <string>

#include "archive/bounded_text.h"
#include "archive/entry_extraction.h"
#include "archive/formats/ace_blocks.h"
#include "archive/host_file.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "platform/temp_path.h"

namespace ostrya::archive {
namespace {

// Whether the output the request wants is the file the library wrote: the library may spell
// the path with other separators or in other case, and copying a file onto itself and then
// deleting the "copy" would lose it.
bool namesSameFile(const char* wanted, const char* written) {
  char a[platform::kMaxPath] = "";
  char b[platform::kMaxPath] = "";
  AppendBounded(a, wanted, sizeof a);
  AppendBounded(b, written, sizeof b);
  for (char* path : {a, b})
    for (char* c = path; *c; ++c)
      if (*c == '/') *c = '\\';
  const std::size_t length = std::strlen(a);
  return length == std::strlen(b) &&
         platform::equalText(reinterpret_cast<const uint8_t*>(a),
                             reinterpret_cast<const uint8_t*>(b), length, true);
}

constexpr char kLibraryName[] = "UnAceV2.Dll";
// What the library is told at start: how far into a file it looks for the archive header, how
// large its file buffers may grow, and room for an archive's comment.
constexpr unace::Ulong kArchiveTestBytes = 0x1FFFF;
constexpr unace::Ulong kFileBufferSize = 0x2FFFF;
constexpr std::size_t kCommentRoom = 8192;
// The model of the scratch folders' names: numbers without an extension.
constexpr char kScratchModel[] = "ace";
constexpr uint32_t kCopyPiece = 16384;

// The library's results, which are its command-line program's exit codes, as the layer's.
int layerCode(int32_t result) {
  switch (result) {
    case 0:
      return kDone;
    case 1:  // memory
      return kSetUpFailed;
    case 9:  // CRC
      return kDamagedData;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 10:
    case 11:
    case 255:  // cancelled at a callback
      return kWriteFailed;
    default:
      return result;
  }
}

// One extraction through the library, which its callbacks find through the global data.
class LibraryRun {
 public:
  LibraryRun(ExtractionRequest& request, const HostServices& services)
      : request_(request), services_(services) {}

  static int32_t OSTRYA_LIBRARY_CALL onNothing(unace::CallbackHead*) { return unace::kAnswerYes; }

  // Existing files are overwritten; every other question about a file is answered no.
  static int32_t OSTRYA_LIBRARY_CALL onRequest(unace::CallbackHead* callback) {
    if (callback->structureType != unace::kArchivedFileStructure) return unace::kAnswerYes;
    return callback->code == unace::kOverwriteRequest ? unace::kAnswerYes : unace::kAnswerNo;
  }

  static int32_t OSTRYA_LIBRARY_CALL onState(unace::CallbackHead* callback) {
    LibraryRun& run = *static_cast<LibraryRun*>(callback->global->application);
    if (abortRequested(run.request_) || run.stopped_) return unace::kAnswerCancel;
    if (callback->structureType != unace::kCrcCheckStructure ||
        callback->code != unace::kFileWrittenState)
      return unace::kAnswerYes;
    run.written(*reinterpret_cast<unace::ArchivedFileCallback*>(callback)->file);
    return run.stopped_ ? unace::kAnswerCancel : unace::kAnswerYes;
  }

  bool stopped() const { return stopped_; }
  int failure() const { return failure_; }

 private:
  // A file the library has just written goes where the request wants it, and leaves the place
  // the library chose.
  void written(const unace::FileData& file) {
    char name[platform::kMaxPath] = "";
    AppendBounded(name, file.sourceFileName ? file.sourceFileName : "", sizeof name);
    services_.ToBackslashes(name);
    const uint16_t dosDate = static_cast<uint16_t>(file.time >> 16);
    const uint16_t dosTime = static_cast<uint16_t>(file.time);
    const uint32_t size = reportedSize(file.size);
    char output[platform::kMaxPath] = "";
    if ((file.attributes & kEntryFolder) != 0) {
      AddSeparator(name, sizeof name);
      services_.MapOutputPath(&request_, name, output);
      if (output[0] != '\0' && !request_.targetPath)
        services_.CreateFolderTree(request_.owner, output);
      return;
    }
    const char* library = file.destinationFileName ? file.destinationFileName : "";
    services_.MapOutputPath(&request_, name, output);
    if (output[0] == '\0' || namesSameFile(output, library)) {
      if (output[0] == '\0') services_.DeleteFileQuiet(library);
      return;
    }
    int answer = 0;
    services_.ConfirmOverwrite(request_.owner, output, &answer, dosDate, dosTime, size);
    stopped_ = answer == kStopExtraction;
    bool copied = false;
    if (!stopped_ && answer != kSkipEntry && output[0] != '\0') {
      const int code = copy(library, output, dosDate, dosTime);
      if (code != kDone && failure_ == kDone) failure_ = code;
      copied = code == kDone;
    }
    shownFailure(services_, request_.owner, services_.DeleteFileRetry(request_.owner, library, 0),
                 library);
    if (request_.progressContext) services_.Progress(request_.progressContext, size);
    if (copied && request_.targetPath && !request_.outputFolder)
      services_.OnEntryExtracted(output, name, dosDate, dosTime, file.attributes,
                                 (file.flags & kAceEncrypted) != 0 ? kEncryptedFlag : ' ', size,
                                 request_.callerContext);
  }

  int copy(const char* from, const char* to, uint16_t dosDate, uint16_t dosTime) {
    HostFileGuard source = HostFileGuard::openForReading(services_, from);
    if (!source.isOpen()) return kOpenFailed;
    HostFile created = nullptr;
    if (createHostOutput(services_, request_.owner, to, &created) != 0) return kOpenFailed;
    HostFileGuard target(services_, created);
    EntryOutput output(request_, services_, created, EntryOutput::Progress::ByCaller);
    uint8_t piece[kCopyPiece];
    for (uint32_t got = kCopyPiece; got == kCopyPiece;) {
      if (services_.ReadSome(source.get(), piece, kCopyPiece, &got) != 0) return kReadFailed;
      if (got > 0 && output.write(piece, got) != kDone) return kWriteFailed;
    }
    services_.SetFileDosTime(target.get(), dosDate, dosTime);
    return kDone;
  }

  ExtractionRequest& request_;
  const HostServices& services_;
  bool stopped_ = false;
  int failure_ = kDone;
};

}  // namespace

const unace::Functions& loadedAceLibrary() {
  static const unace::Functions functions = [] {
    unace::Functions found;
    platform::Library library = platform::loadLibrary(kLibraryName);
    if (library == nullptr) return found;
    found.init =
        reinterpret_cast<unace::InitFunction>(platform::libraryFunction(library, "ACEInitDll"));
    found.extract =
        reinterpret_cast<unace::ExtractFunction>(platform::libraryFunction(library, "ACEExtract"));
    if (found.init == nullptr || found.extract == nullptr) {
      platform::freeLibrary(library);
      return unace::Functions{};
    }
    return found;
  }();
  return functions;
}

// With a selection list or a target path the library writes into a scratch folder of its own,
// each file without its folders so that the folder can go at the end; each file is taken out as
// soon as it is written, so that names alike in different folders do not meet. With a target
// path and no single entry, every file goes to the target path in turn and is handed to
// OnEntryExtracted, as the layer's own readers do.
int extractThroughAceLibrary(ExtractionRequest& request, const HostServices& services,
                             const unace::Functions& library) {
  if (library.init == nullptr || library.extract == nullptr) return kUnsupportedMethod;
  LibraryRun run(request, services);
  std::string comment(kCommentRoom, '\0');
  std::string temporary = platform::temporaryFolder();
  unace::InitArguments init{};
  init.global.application = &run;
  init.global.maxArchiveTestBytes = kArchiveTestBytes;
  init.global.maxFileBufferSize = kFileBufferSize;
  init.global.comment.buffer = comment.data();
  init.global.comment.size = kCommentRoom;
  init.global.temporaryFolder = temporary.data();
  init.global.info = LibraryRun::onNothing;
  init.global.error = LibraryRun::onNothing;
  init.global.request = LibraryRun::onRequest;
  init.global.state = LibraryRun::onState;
  library.init(&init);

  char folder[platform::kMaxPath] = "";
  std::string list;
  const bool scratch = request.selection != nullptr || request.targetPath != nullptr;
  if (request.selection) {
    for (const SelectionPair* pair = request.selection; pair->entryName; ++pair) {
      if (pair->outputPath[0] == kPairDone) continue;
      const std::string line = std::string(pair->entryName) + '\r';
      if (services.AppendText)
        services.AppendText(&list, line.c_str(), line.size());
      else
        list += line;
    }
    if (list.empty()) return kDone;
  } else {
    list = request.targetPath && request.singleEntry ? request.singleEntry : "*";
  }
  if (scratch) {
    // Beside the target path, where the caller keeps its scratch files; else where the host
    // chooses.
    if (request.targetPath) AppendBounded(folder, request.targetPath, sizeof folder);
    if (services.MakeUniqueName(kScratchModel, folder, sizeof folder) == 0) return kSetUpFailed;
  } else if (request.outputFolder) {
    AppendBounded(folder, request.outputFolder, sizeof folder);
  }
  if (folder[0] == '\0' || services.CreateFolderTree(request.owner, folder) != 0)
    return kOpenFailed;

  unace::ExtractArguments arguments{};
  arguments.files.list = list.data();
  arguments.destinationFolder = folder;
  arguments.excludePath = scratch || (request.mode & kModeKeepFolders) == 0;
  std::string archive = request.archivePath;
  const int code = layerCode(library.extract(archive.data(), &arguments));
  if (scratch)
    shownFailure(services, request.owner, services.RemoveFolder(request.owner, folder), folder);
  if (run.stopped()) return kDone;
  return code != kDone ? code : run.failure();
}

}  // namespace ostrya::archive
