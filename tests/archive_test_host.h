#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/format_table.h"
#include "archive/host_services.h"
#include "archive/output_path.h"
#include "test_tree.h"

namespace ostrya::testing {

// A host of the tests' own for the archive layer: files through the C library, every call that
// tells what the layer did recorded, the answers of the dialog slots chosen by the test, and
// counts of open files and live blocks to catch leaks. The services are plain function
// pointers, so they find the host through `current`; one host lives at a time.
class ArchiveTestHost {
 public:
  archive::HostServices services;
  std::vector<std::string> calls;
  std::vector<uint32_t> reads;
  std::vector<uint32_t> progress;
  // Contents of every file announced through OnEntryExtracted, in order.
  std::vector<std::string> extractedContents;
  int overwriteAnswer = 0;
  // ConfirmReplace's answer; the application's is to replace all.
  int replaceAnswer = archive::kReplaceAll;
  // AskPassword's answer; null cancels.
  const char* passwordAnswer = nullptr;
  bool clearOutputOnConfirm = false;
  bool failAlloc = false;
  bool failWrites = false;
  bool failSetAttributes = false;
  // False: CreateFolderTree only records, for tests whose paths are not meant to exist.
  bool makeFolders = true;
  int textHookResult = 0;
  bool textHookKeeps = false;
  bool mimeHookKeeps = false;
  // The last-write time GetFileTimes reports; 0 makes it fail.
  uint64_t lastWrite = 0;
  int openFiles = 0;
  int liveBlocks = 0;

  inline static ArchiveTestHost* current = nullptr;

  ArchiveTestHost() {
    archive::ArchiveServicesInit(services);
    services.OnEntryExtracted = onEntryExtracted;
    services.MapOutputPath = mapOutputPath;
    services.ConfirmOverwrite = confirmOverwrite;
    services.ConfirmReplace = confirmReplace;
    services.AskPassword = askPassword;
    services.ReportError = reportError;
    services.Progress = onProgress;
    services.CheckDecodedText = checkDecodedText;
    services.CheckDecodedMime = checkDecodedMime;
    services.FileExists = fileExists;
    services.CloseFile = closeFile;
    services.CreateOutputFile = createOutputFile;
    services.DeleteFileRetry = deleteFileRetry;
    services.GetFileTimes = getFileTimes;
    services.GetFileSize = getFileSize;
    services.CreateFolderTree = createFolderTree;
    services.OpenFile = openFile;
    services.ReadExact = readExact;
    services.SetFileDosTime = setFileDosTime;
    services.WriteExact = writeExact;
    services.Alloc = alloc;
    services.FreeAndClear = freeAndClear;
    services.SetAttributes = setAttributes;
    services.SeekFile = seekFile;
    services.ReadSome = readSome;
    services.ShowSystemError = showSystemError;
    services.BeginWait = beginWait;
    services.EndWait = endWait;
    current = this;
  }
  ~ArchiveTestHost() { current = nullptr; }
  ArchiveTestHost(const ArchiveTestHost&) = delete;
  ArchiveTestHost& operator=(const ArchiveTestHost&) = delete;

  // The calls whose text begins with `prefix`.
  std::vector<std::string> callsOf(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls)
      if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    return found;
  }

  // Nothing may stay open or allocated once an operation has returned.
  void expectNoLeaks(const std::string& what = "") const {
    EXPECT_EQ(openFiles, 0) << what;
    EXPECT_EQ(liveBlocks, 0) << what;
  }

 private:
  struct File {
    std::FILE* stream;
    std::string path;
  };
  static File* fileOf(archive::HostFile file) { return reinterpret_cast<File*>(file); }
  static void note(const std::string& call) { current->calls.push_back(call); }

  static int onEntryExtracted(const char* path, const char* entryName, uint16_t dosDate,
                              uint16_t dosTime, uint32_t attributes, char flag, uint32_t size,
                              void* callerContext) {
    current->extractedContents.push_back(readFile(path));
    std::ostringstream call;
    call << "OnEntryExtracted " << path << " " << entryName << " " << dosDate << " " << dosTime
         << " " << attributes << " " << (flag ? flag : '0') << " " << size << " " << callerContext;
    note(call.str());
    return 0;
  }
  static int mapOutputPath(archive::ExtractionRequest* request, const char* entryName,
                           char* output) {
    return archive::MapOutputPath(*request, entryName, output, current->services);
  }
  static void confirmOverwrite(void*, char* outputPath, int* answer, uint16_t, uint16_t, uint32_t) {
    note(std::string("ConfirmOverwrite ") + outputPath);
    *answer = current->overwriteAnswer;
    if (current->clearOutputOnConfirm) outputPath[0] = '\0';
  }
  static int confirmReplace(void*, const char* outputPath, uint16_t, uint16_t, uint32_t) {
    note(std::string("ConfirmReplace ") + outputPath);
    return current->replaceAnswer;
  }
  static int askPassword(void*, archive::PasswordPrompt* prompt) {
    note(std::string("AskPassword ") + prompt->entryName);
    if (current->passwordAnswer == nullptr) return 0;
    prompt->buffer[0] = '\0';
    std::strncat(prompt->buffer, current->passwordAnswer, prompt->capacity);
    return 1;
  }
  static void reportError(void* owner, int code) {
    std::ostringstream call;
    call << "ReportError " << owner << " " << code;
    note(call.str());
  }
  static void onProgress(void*, uint32_t byteCount) { current->progress.push_back(byteCount); }
  static int checkDecodedText(const char* path, uint16_t*, uint16_t*,
                              archive::ListingContext* context) {
    note(std::string("CheckDecodedText ") + path);
    if (current->textHookKeeps) context->request->keep[0] = 1;
    return current->textHookResult;
  }
  static int checkDecodedMime(const char* path, uint16_t*, uint16_t*,
                              archive::ListingContext* context) {
    note(std::string("CheckDecodedMime ") + path);
    if (current->mimeHookKeeps) context->request->keep[0] = 1;
    return 0;
  }
  static int fileExists(const char* path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error) ? 0 : 2;
  }
  static int closeFile(archive::HostFile file) {
    File* open = fileOf(file);
    const bool closed = std::fclose(open->stream) == 0;
    delete open;
    --current->openFiles;
    return closed ? 1 : 0;
  }
  static archive::HostFile adopt(std::FILE* stream, const char* path) {
    ++current->openFiles;
    return reinterpret_cast<archive::HostFile>(new File{stream, path});
  }
  static int createOutputFile(void*, const char* path, archive::HostFile* file) {
    note(std::string("CreateOutputFile ") + path);
    std::FILE* stream = std::fopen(path, "wb");
    if (stream == nullptr) return 1;
    *file = adopt(stream, path);
    return 0;
  }
  // Noted, never answered with a retry.
  static int showSystemError(void*, int code, const char* title, int offerRetry) {
    note("ShowSystemError " + std::to_string(code) + " " + (title ? title : "") +
         (offerRetry ? " retry?" : ""));
    return 0;
  }
  static intptr_t beginWait() {
    note("BeginWait");
    return 42;
  }
  static void endWait(intptr_t previous) { note("EndWait " + std::to_string(previous)); }
  static int deleteFileRetry(void*, const char* path, uint32_t) {
    note(std::string("DeleteFileRetry ") + path);
    std::error_code error;
    return std::filesystem::remove(std::filesystem::path(path), error) ? 0 : 2;
  }
  static int getFileTimes(void*, archive::HostFile, platform::FileTimes* times, const char*) {
    if (current->lastWrite == 0) return 5;
    times->creation = times->lastAccess = times->lastWrite = current->lastWrite;
    return 0;
  }
  static int getFileSize(void*, archive::HostFile file, uint64_t* size) {
    std::error_code error;
    *size = std::filesystem::file_size(std::filesystem::path(fileOf(file)->path), error);
    if (error) *size = 0;
    return error ? 5 : 0;
  }
  static int createFolderTree(void*, const char* path) {
    note(std::string("CreateFolderTree ") + path);
    if (!current->makeFolders) return 0;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path), error);
    return std::filesystem::is_directory(std::filesystem::path(path), error) ? 0 : 2;
  }
  static int openFile(const char* path, archive::HostFile* file, uint32_t) {
    note(std::string("OpenFile ") + path);
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) return 2;
    *file = adopt(stream, path);
    return 0;
  }
  static int readExact(archive::HostFile file, void* buffer, uint32_t count) {
    current->reads.push_back(count);
    return std::fread(buffer, 1, count, fileOf(file)->stream) == count ? 0 : 1;
  }
  static int setFileDosTime(archive::HostFile, uint16_t dosDate, uint16_t dosTime) {
    note("SetFileDosTime " + std::to_string(dosDate) + " " + std::to_string(dosTime));
    return dosDate != 0;
  }
  static int writeExact(void*, archive::HostFile file, const void* buffer, uint32_t count) {
    if (current->failWrites) return 112;
    return std::fwrite(buffer, 1, count, fileOf(file)->stream) == count ? 0 : 5;
  }
  static void* alloc(std::size_t size) {
    if (current->failAlloc || size == 0) return nullptr;
    ++current->liveBlocks;
    return std::calloc(1, size);
  }
  static void freeAndClear(void** block) {
    if (*block) --current->liveBlocks;
    std::free(*block);
    *block = nullptr;
  }
  static int seekFile(archive::HostFile file, int64_t offset, platform::SeekFrom from,
                      uint64_t* position) {
    const int origin = from == platform::SeekFrom::Start     ? SEEK_SET
                       : from == platform::SeekFrom::Current ? SEEK_CUR
                                                             : SEEK_END;
    std::FILE* stream = fileOf(file)->stream;
    if (fseeko(stream, static_cast<off_t>(offset), origin) != 0) return 22;
    if (position) *position = static_cast<uint64_t>(ftello(stream));
    return 0;
  }
  static int readSome(archive::HostFile file, void* buffer, uint32_t count, uint32_t* got) {
    std::FILE* stream = fileOf(file)->stream;
    *got = static_cast<uint32_t>(std::fread(buffer, 1, count, stream));
    current->reads.push_back(count);
    return std::ferror(stream) ? 5 : 0;
  }
  static int setAttributes(const char* path, uint32_t attributes) {
    note(std::string("SetAttributes ") + path + " " + std::to_string(attributes));
    return current->failSetAttributes ? 0 : 1;
  }
};

// Extracts an archive with `extract` below the folder `out`.
inline int extractBelow(ArchiveTestHost& host, archive::ExtractOperation extract,
                        const std::string& path, const std::string& out,
                        uint32_t mode = archive::kModeKeepFolders) {
  archive::ExtractionRequest request;
  request.archivePath = path.c_str();
  request.outputFolder = out.c_str();
  request.mode = mode;
  return extract(request, host.services);
}

// Extracts every entry to the one path `target`, as the containing-text search does.
inline int extractToTarget(ArchiveTestHost& host, const std::string& path,
                           const std::string& target, archive::TypeCode type,
                           const std::atomic<uint32_t>* abort = nullptr) {
  char password[128] = "";
  return archive::ArchiveExtract(nullptr, path.c_str(), target.c_str(), false, type, abort,
                                 password, false, nullptr, host.services);
}

}  // namespace ostrya::testing
