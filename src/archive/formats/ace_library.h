// portable: no platform headers.
#pragma once

#include <cstdint>

#include "archive/archive_types.h"
#include "archive/host_services.h"
#include "platform/library.h"

namespace ostrya::archive {

// The outside library UnAceV2.Dll as its interface describes it: C structures in their natural
// alignment, functions and callbacks in the system's library calling convention. Only what the
// extraction uses is named; the rest of each structure is kept as reserved room.
namespace unace {

using Ulong = uint32_t;
using Bool = int32_t;

struct GlobalData;

// What every callback is given first.
struct CallbackHead {
  Ulong structureType;
  Ulong code;
  Ulong operation;
  GlobalData* global;
};

struct ArchiveData {
  char* archiveName;
  Ulong volumeNumber, flags, hostCreated, timeCreated, versionCreated, versionExtract;
  char* authenticity;
  char reserved[64];
};

struct FileData {
  char* sourceFileName;
  char* destinationFileName;
  Ulong flags, crc32, method, dictionary;
  uint64_t compressedSize, size;
  // A DOS date and time, the date in the upper half.
  Ulong time;
  Ulong attributes;
  char reserved[64];
};

// The structure of the callbacks about one archived file, and of the CRC check at its end.
struct ArchivedFileCallback {
  CallbackHead head;
  ArchiveData* archive;
  FileData* file;
};

inline constexpr Ulong kArchivedFileStructure = 2;
inline constexpr Ulong kCrcCheckStructure = 8;
inline constexpr Ulong kOverwriteRequest = 0x340;
inline constexpr Ulong kFileWrittenState = 0x430;
inline constexpr int32_t kAnswerYes = 0;
inline constexpr int32_t kAnswerNo = 1;
inline constexpr int32_t kAnswerCancel = 2;

using Callback = int32_t(OSTRYA_LIBRARY_CALL*)(CallbackHead* callback);

struct CommentBuffer {
  char* buffer;
  Ulong size;
  Ulong state;
};

struct GlobalData {
  void* application;
  Ulong maxArchiveTestBytes;
  Ulong maxFileBufferSize;
  CommentBuffer comment;
  char* decryptPassword;
  Bool useVbStructures;
  char reserved1[60];
  char* encryptPassword;
  char* temporaryFolder;
  char* keyPath;
  char* userAuthenticity;
  char* isGeneralKey;
  void* ownerWindow;
  Ulong compressionLevel;
  char reserved2[56];
  Callback info;
  Callback error;
  Callback request;
  Callback state;
  char reserved3[64];
};

struct InitArguments {
  GlobalData global;
  char reserved[64];
};

struct FileList {
  char* sourceFolder;
  // Names separated by carriage returns.
  char* list;
  char* excludeList;
  Bool fullMatch;
  Bool recurseSubfolders;
  char reserved[60];
};

struct ExtractArguments {
  FileList files;
  char* destinationFolder;
  Bool excludePath;
  char* decryptPassword;
  char reserved[64];
};

using InitFunction = int32_t(OSTRYA_LIBRARY_CALL*)(InitArguments* arguments);
using ExtractFunction = int32_t(OSTRYA_LIBRARY_CALL*)(char* archive, ExtractArguments* arguments);

struct Functions {
  InitFunction init = nullptr;
  ExtractFunction extract = nullptr;
};

}  // namespace unace

// UnAceV2.Dll as the platform loads it, the first time it is asked for; it stays loaded. Both
// functions null when the library or one of them is missing.
const unace::Functions& loadedAceLibrary();

// Extracts the archive of `request` through `library`: 0, kUnsupportedMethod when the library is
// missing, or the library's failure as a layer code.
int extractThroughAceLibrary(ExtractionRequest& request, const HostServices& services,
                             const unace::Functions& library);

}  // namespace ostrya::archive
