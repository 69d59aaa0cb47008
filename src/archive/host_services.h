// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archive_types.h"
#include "platform/file_ops.h"

namespace ostrya::archive {

// A file the host opened; what it stands for is the host's business. Never null when open.
using HostFile = struct HostFileObject*;

// Access words of OpenFile, as CreateFileA takes them.
inline constexpr uint32_t kReadAccess = 0x80000000;
inline constexpr uint32_t kWriteAccess = 0x40000000;

// A failure that a slot reports without a system code worth showing.
inline constexpr int kNothingToShow = -1;

// Answers of ConfirmReplace and ConfirmOverwrite.
inline constexpr int kSkipEntry = 100;
inline constexpr int kReplaceAll = 103;
inline constexpr int kStopExtraction = 104;

// What AskPassword fills: the buffer holds `capacity` characters and a terminator.
struct PasswordPrompt {
  char* buffer;
  uint32_t capacity;
  const char* entryName;
};

struct HostFileInfo {
  uint32_t attributes = 0;
  platform::FileTimes times;
  uint64_t size = 0;
};

// Every file, memory, path and dialog operation of the layer goes through this table, so that
// a host of its own can stand in for the application. The slots keep the order of the table
// the formats were written against; slots that nothing calls are left out. The last ones are
// this layer's own: the host owns its handles, so moving in a file, a short read and the
// attributes of a written file go through it too; and the file slots report their failures
// without showing them, so that whatever the user is shown goes through ShowSystemError, which
// the layer calls, and a host that runs the layer on a thread of its own can keep quiet.
struct HostServices {
  int (*OnEntryExtracted)(const char* path, const char* entryName, uint16_t dosDate,
                          uint16_t dosTime, uint32_t attributes, char flag, uint32_t size,
                          void* callerContext);
  int (*AskPassword)(void* owner, PasswordPrompt* prompt);
  int (*MapOutputPath)(ExtractionRequest* request, const char* entryName, char* output);
  int (*ConfirmReplace)(void* callerValue, const char* outputPath, uint16_t dosDate,
                        uint16_t dosTime, uint32_t size);
  // May change the answer, or clear the output path to skip the entry.
  void (*ConfirmOverwrite)(void* owner, char* outputPath, int* answer, uint16_t dosDate,
                           uint16_t dosTime, uint32_t size);
  void (*ReportError)(void* owner, int code);
  void (*ShowText)(void* callerValue, const char* text);
  void (*Progress)(void* progressContext, uint32_t byteCount);
  int (*CheckDecodedText)(const char* path, uint16_t* dosDate, uint16_t* dosTime,
                          ListingContext* context);
  int (*CheckDecodedMime)(const char* path, uint16_t* dosDate, uint16_t* dosTime,
                          ListingContext* context);
  // 0 when the file or folder exists, 2 when not.
  int (*FileExists)(const char* path);
  int (*MakeWritable)(const char* path);
  // Non-zero on success.
  int (*CloseFile)(HostFile file);
  // 0, the system's code, or kNothingToShow for a failure the user cannot act on.
  int (*CreateOutputFile)(void* owner, const char* path, HostFile* file);
  int (*RemoveFolder)(void* owner, const char* path);
  int (*DeleteFileRetry)(void* owner, const char* path, uint32_t flags);
  int (*GetDiskSpace)(const char* root, uint32_t* clusterSize, uint64_t* freeBytes,
                      uint64_t* totalBytes);
  int (*GetFileTimes)(void* owner, HostFile file, platform::FileTimes* times, const char* path);
  int (*GetFileInfo)(HostFile file, const char* path, HostFileInfo* info);
  int (*GetFileSize)(void* owner, HostFile file, uint64_t* size);
  // 0 (also when it exists), 2, 183 (a file of that name) or 206 (path too long).
  int (*CreateFolderTree)(void* owner, const char* path);
  // 0, or 2 when the file cannot be opened.
  int (*OpenFile)(const char* path, HostFile* file, uint32_t access);
  // 0 when exactly `count` bytes were read, else 1.
  int (*ReadExact)(HostFile file, void* buffer, uint32_t count);
  int (*DeleteFileQuiet)(const char* path);
  // Non-zero on success; a date of 0 leaves the file alone and gives 0.
  int (*SetFileDosTime)(HostFile file, uint16_t dosDate, uint16_t dosTime);
  int (*WriteExact)(void* owner, HostFile file, const void* buffer, uint32_t count);
  // Only for a selection list handed to an outside library; may be empty.
  void (*AppendText)(std::string* list, const char* text, std::size_t length);
  int (*AddSeparator)(char* path, std::size_t capacity);
  void (*ToBackslashes)(char* text);
  void (*ToSlashes)(char* text);
  std::size_t (*ExtensionPos)(const char* name);
  uint16_t (*NamePartPos)(const char* path);
  uint32_t (*MakeUniqueName)(const char* modelName, char* buffer, std::size_t capacity);
  // A zero-filled block; null for size 0 or no memory.
  void* (*Alloc)(std::size_t size);
  void (*FreeAndClear)(void** block);
  int (*ShowMessage)(void* owner, int messageNumber, const char* text, uint32_t style);
  void (*StripExtension)(char* path);
  void (*CutLastPart)(char* path);
  int (*AppendBounded)(char* buffer, const char* text, std::size_t capacity);

  int (*SeekFile)(HostFile file, int64_t offset, platform::SeekFrom from, uint64_t* position);
  // Reads up to `count` bytes; `got` falls short only at the end of the file.
  int (*ReadSome)(HostFile file, void* buffer, uint32_t count, uint32_t* got);
  // Non-zero on success.
  int (*SetAttributes)(const char* path, uint32_t attributes);
  // The system's text for `code` in a box over the owner, captioned with the file-name part of
  // `title`. With `offerRetry`, non-zero when the user chooses to try again.
  int (*ShowSystemError)(void* owner, int code, const char* title, int offerRetry);
  // The wait cursor while a listing runs: EndWait puts back what BeginWait returned.
  intptr_t (*BeginWait)();
  void (*EndWait)(intptr_t previous);
};

// Fills the table with the application's services and returns it. They show nothing: no error
// box and no wait cursor, until the program sets those slots.
HostServices& ArchiveServicesInit(HostServices& table);

// The slots of a host that shows nothing: no error box, no wait cursor.
int ShowNoSystemError(void* owner, int code, const char* title, int offerRetry);
intptr_t BeginNoWait();
void EndNoWait(intptr_t previous);

// A CreateOutputFile for private scratch space: makes the file only when nothing has the name
// (a link included), for its owner alone: 0, or kNothingToShow when it cannot.
int CreateNewOutputFile(void* owner, const char* path, HostFile* file);

}  // namespace ostrya::archive
