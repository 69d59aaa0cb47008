// portable: no platform headers.
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "archive/bounded_text.h"
#include "archive/host_services.h"
#include "archive/output_path.h"
#include "archive/read_ahead.h"
#include "foundation/file_access.h"
#include "platform/file.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/path.h"
#include "platform/temp_path.h"

namespace ostrya::archive {
namespace {

// What the application's HostFile stands for. Reads and moves go through the window.
struct ApplicationFile {
  platform::FileHandle handle;
  ReadAhead reader{handle};
};

platform::FileHandle& handleOf(HostFile file) {
  return reinterpret_cast<ApplicationFile*>(file)->handle;
}

HostFile hostFileOf(ApplicationFile* file) {
  return reinterpret_cast<HostFile>(file);
}

// Codes of CreateFolderTree besides 0 and 2, as the system names them.
constexpr int kAlreadyExists = 183;
constexpr int kPathTooLong = 206;
constexpr uint32_t kNormalAttributes = 0x80;

int fileExists(const char* path) {
  return platform::fileAttributes(path) != platform::kNoAttributes ? 0 : 2;
}

int makeWritable(const char* path) {
  const uint32_t attributes = platform::fileAttributes(path);
  if (attributes == platform::kNoAttributes) return 2;
  if ((attributes & platform::kAttrReadOnly) == 0) return 0;
  return platform::setFileAttributes(path, attributes & ~uint32_t{platform::kAttrReadOnly}) ? 0 : 2;
}

int deleteFileQuiet(const char* path) {
  int code = platform::deleteFile(path);
  if (code != 0 && makeWritable(path) == 0) code = platform::deleteFile(path);
  return code;
}

int deleteFileRetry(void*, const char* path, uint32_t) {
  return deleteFileQuiet(path);
}

// The search's side replaces this slot with one that searches the file first; without it an
// extracted file is at least never left behind.
int deleteExtracted(const char* path, const char*, uint16_t, uint16_t, uint32_t, char, uint32_t,
                    void*) {
  return deleteFileRetry(nullptr, path, 0);
}

// The application knows no passwords and asks for none.
int askPassword(void*, PasswordPrompt* prompt) {
  if (prompt->buffer && prompt->capacity > 0) prompt->buffer[0] = '\0';
  return -2;
}

int createFolderTree(void*, const char* path) {
  std::string folder(path);
  // A root keeps its separator: "/" and "C:\" are folders, "" and "C:" are not what was meant.
  while (folder.size() > 1 && platform::isPathSeparator(folder.back()) &&
         !(folder.size() == 3 && folder[1] == ':'))
    folder.pop_back();
  if (folder.empty()) return 2;
  if (platform::isDirectory(folder.c_str())) return 0;
  if (folder.size() >= platform::kMaxPath) return kPathTooLong;
  if (createFolderPath(folder.c_str()) == 0 || platform::isDirectory(folder.c_str())) return 0;
  return platform::fileAttributes(folder.c_str()) != platform::kNoAttributes ? kAlreadyExists : 2;
}

const HostServices& applicationServices();

int mapOutputPath(ExtractionRequest* request, const char* entryName, char* output) {
  return MapOutputPath(*request, entryName, output, applicationServices());
}

// Every later file is replaced without a question.
int confirmReplace(void*, const char*, uint16_t, uint16_t, uint32_t) {
  return kReplaceAll;
}

void confirmOverwrite(void*, char*, int*, uint16_t, uint16_t, uint32_t) {}
void reportError(void*, int) {}
void showText(void*, const char*) {}
void progress(void*, uint32_t) {}

int noDecodedAttachment(const char*, uint16_t*, uint16_t*, ListingContext*) {
  return 0;
}

int closeFile(HostFile file) {
  delete reinterpret_cast<ApplicationFile*>(file);
  return 1;
}

// A missing folder is made and the creation tried once more; a path still missing after that
// is nothing the user could mend.
int createOutputFile(void*, const char* path, HostFile* file) {
  std::unique_ptr<ApplicationFile> created(new (std::nothrow) ApplicationFile);
  if (!created) return kNothingToShow;
  const int code = createWithFolders(created->handle, path,
                                     platform::FileHandle::Replace::KeepingHiddenAndSystem);
  if (code == 0) {
    *file = hostFileOf(created.release());
    return 0;
  }
  return platform::isPathNotFound(code) ? kNothingToShow : code;
}

}  // namespace

int CreateNewOutputFile(void*, const char* path, HostFile* file) {
  std::unique_ptr<ApplicationFile> created(new (std::nothrow) ApplicationFile);
  if (!created ||
      created->handle.createForWriting(path, platform::FileHandle::Replace::NewOnly) != 0)
    return kNothingToShow;
  *file = hostFileOf(created.release());
  return 0;
}

namespace {

int removeFolder(void*, const char* path) {
  return platform::removeFolder(path);
}

int getDiskSpace(const char* root, uint32_t* clusterSize, uint64_t* freeBytes,
                 uint64_t* totalBytes) {
  platform::DiskSpace space;
  if (!platform::diskSpace(root, space)) return 0;
  *clusterSize = space.clusterSize;
  *freeBytes = space.freeBytes;
  *totalBytes = space.totalBytes;
  return 1;
}

int getFileTimes(void*, HostFile file, platform::FileTimes* times, const char*) {
  return platform::fileTimes(handleOf(file), *times);
}

int getFileInfo(HostFile file, const char* path, HostFileInfo* info) {
  const uint32_t attributes = platform::fileAttributes(path);
  info->attributes = attributes == platform::kNoAttributes ? 0 : attributes;
  int code = platform::fileTimes(handleOf(file), info->times);
  if (code == 0) code = platform::fileSize(handleOf(file), info->size);
  return code;
}

int getFileSize(void*, HostFile file, uint64_t* size) {
  const int code = platform::fileSize(handleOf(file), *size);
  if (code != 0) *size = 0;
  return code;
}

// Archives are only read: a file is opened for reading whatever else the access word asks.
int openExisting(const char* path, HostFile* file) {
  auto* opened = new (std::nothrow) ApplicationFile;
  if (opened == nullptr) return -1;
  uint64_t size = 0;
  const int code = opened->handle.openForReading(path, size);
  if (code != 0) {
    delete opened;
    return code;
  }
  *file = hostFileOf(opened);
  return 0;
}

int openFile(const char* path, HostFile* file, uint32_t) {
  return openExisting(path, file) == 0 ? 0 : 2;
}

ReadAhead& readerOf(HostFile file) {
  return reinterpret_cast<ApplicationFile*>(file)->reader;
}

int readExact(HostFile file, void* buffer, uint32_t count) {
  std::size_t got = 0;
  return readerOf(file).read(buffer, count, got) == 0 && got == count ? 0 : 1;
}

int setFileDosTime(HostFile file, uint16_t dosDate, uint16_t dosTime) {
  if (dosDate == 0) return 0;
  return platform::setFileDosTime(handleOf(file), dosDate, dosTime) ? 1 : 0;
}

int writeExact(void*, HostFile file, const void* buffer, uint32_t count) {
  std::size_t written = 0;
  return handleOf(file).write(buffer, count, written);
}

// With an empty buffer the numbered names go to the system's temporary folder.
uint32_t makeUniqueName(const char* modelName, char* buffer, std::size_t capacity) {
  if (capacity > 0 && buffer[0] == '\0')
    AppendBounded(buffer, platform::temporaryFolder().c_str(), capacity);
  return MakeUniqueName(modelName, buffer, capacity, fileExists);
}

void* allocate(std::size_t size) {
  return size == 0 ? nullptr : std::calloc(1, size);
}

void freeAndClear(void** block) {
  std::free(*block);
  *block = nullptr;
}

// The message texts belong to the user interface, which sets this slot when it has them.
int showMessage(void*, int, const char*, uint32_t) {
  return 0;
}

int seekFile(HostFile file, int64_t offset, platform::SeekFrom from, uint64_t* position) {
  uint64_t moved = 0;
  const int code = readerOf(file).seek(offset, from, moved);
  if (position) *position = moved;
  return code;
}

int readSome(HostFile file, void* buffer, uint32_t count, uint32_t* got) {
  std::size_t read = 0;
  const int code = readerOf(file).read(buffer, count, read);
  *got = static_cast<uint32_t>(read);
  return code;
}

// Windows takes no attributes at all as "normal".
int setAttributes(const char* path, uint32_t attributes) {
  return platform::setFileAttributes(path, attributes != 0 ? attributes : kNormalAttributes) ? 1
                                                                                             : 0;
}

const HostServices& applicationServices() {
  static const HostServices table = [] {
    HostServices filled;
    return ArchiveServicesInit(filled);
  }();
  return table;
}

}  // namespace

HostServices& ArchiveServicesInit(HostServices& table) {
  table = HostServices{
      .OnEntryExtracted = deleteExtracted,
      .AskPassword = askPassword,
      .MapOutputPath = mapOutputPath,
      .ConfirmReplace = confirmReplace,
      .ConfirmOverwrite = confirmOverwrite,
      .ReportError = reportError,
      .ShowText = showText,
      .Progress = progress,
      .CheckDecodedText = noDecodedAttachment,
      .CheckDecodedMime = noDecodedAttachment,
      .FileExists = fileExists,
      .MakeWritable = makeWritable,
      .CloseFile = closeFile,
      .CreateOutputFile = createOutputFile,
      .RemoveFolder = removeFolder,
      .DeleteFileRetry = deleteFileRetry,
      .GetDiskSpace = getDiskSpace,
      .GetFileTimes = getFileTimes,
      .GetFileInfo = getFileInfo,
      .GetFileSize = getFileSize,
      .CreateFolderTree = createFolderTree,
      .OpenFile = openFile,
      .ReadExact = readExact,
      .DeleteFileQuiet = deleteFileQuiet,
      .SetFileDosTime = setFileDosTime,
      .WriteExact = writeExact,
      .AppendText = nullptr,
      .AddSeparator = AddSeparator,
      .ToBackslashes = ToBackslashes,
      .ToSlashes = ToSlashes,
      .ExtensionPos = ExtensionPos,
      .NamePartPos = NamePartPos,
      .MakeUniqueName = makeUniqueName,
      .Alloc = allocate,
      .FreeAndClear = freeAndClear,
      .ShowMessage = showMessage,
      .StripExtension = StripExtension,
      .CutLastPart = CutLastPart,
      .AppendBounded = AppendBounded,
      .SeekFile = seekFile,
      .ReadSome = readSome,
      .SetAttributes = setAttributes,
      .ShowSystemError = ShowNoSystemError,
      .BeginWait = BeginNoWait,
      .EndWait = EndNoWait,
  };
  return table;
}

int ShowNoSystemError(void*, int, const char*, int) {
  return 0;
}

intptr_t BeginNoWait() {
  return 0;
}

void EndNoWait(intptr_t) {}

}  // namespace ostrya::archive
