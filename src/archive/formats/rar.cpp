// portable: no platform headers.
#include "archive/formats/rar.h"

#include <cstring>

#include "archive/bounded_text.h"
#include "archive/entry_extraction.h"
#include "archive/host_file.h"
#include "archive/host_sink.h"
#include "archive/unix_time.h"
#include "engines/rar/rar_archive.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

namespace rar = engines::rar;

// What the engine's callback reaches: the host, the request (none when listing) and the
// caller's password buffer.
struct CallbackRecord {
  const HostServices& services;
  ExtractionRequest* request;
  char* password;
};

// Asks the user for a password into the caller's buffer; false when the user cancelled.
bool askPassword(const CallbackRecord& record, const char* entryName) {
  PasswordPrompt prompt{record.password, rar::kRarPasswordCapacity - 1,
                        entryName + record.services.NamePartPos(entryName)};
  return record.services.AskPassword(record.request ? record.request->owner : nullptr, &prompt) !=
         0;
}

int onEngineMessage(rar::RarMessage message, void* user, intptr_t first, intptr_t second) {
  const auto& record = *static_cast<const CallbackRecord*>(user);
  switch (message) {
    case rar::RarMessage::ChangeVolume:
      // Only a notification is answered: no other volume is ever asked for.
      return second != 0 ? 0 : -1;
    case rar::RarMessage::ProcessData:
      if (record.request && record.request->progressContext)
        record.services.Progress(record.request->progressContext, static_cast<uint32_t>(second));
      return 0;
    case rar::RarMessage::NeedPassword:
      if (record.password == nullptr) return 0;
      if (record.password[0] == '\0' && !askPassword(record, "")) return 0;
      auto* engineBuffer = reinterpret_cast<char*>(first);
      engineBuffer[0] = '\0';
      record.services.AppendBounded(engineBuffer, record.password,
                                    static_cast<std::size_t>(second));
      return 0;
  }
  return 0;
}

void dosTimeOf(const rar::RarHeader& header, uint16_t& dosDate, uint16_t& dosTime) {
  dosDate = dosTime = 0;
  if (header.hasTime) unixTimeToDos(header.modified, dosDate, dosTime);
}

// A folder's name ends with a separator, as the entry callback's readers expect.
void markFolder(const rar::RarHeader& header) {
  const std::size_t length = std::strlen(header.name);
  if ((header.attributes & kEntryFolder) == 0 || length == 0 ||
      platform::isPathSeparator(header.name[length - 1]) || length + 1 >= header.nameCapacity)
    return;
  header.name[length] = '/';
  header.name[length + 1] = '\0';
}

// The engine's results as the layer's codes.
int layerCode(int result) {
  switch (result) {
    case rar::kRarSuccess:
    case rar::kRarEndOfArchive:
      return kDone;
    case rar::kRarNoMemory:
      return kSetUpFailed;
    case rar::kRarOpenFailed:
      return kOpenFailed;
    case rar::kRarWriteFailed:
      return kWriteFailed;
    default:
      return kDamagedData;
  }
}

// One walk over the archive's entries. Those before `resumeAt` were dealt with by an earlier
// walk and are passed over; `reached` is the index of the entry the walk ended at.
int extractOnce(ExtractionRequest& request, const HostServices& services, char command,
                char* password, std::size_t resumeAt, std::size_t& reached) {
  rar::RarArchive archive;
  if (archive.open(request.archivePath, rar::RarOpenMode::Extract) != rar::kRarSuccess)
    return kNotThisFormat;
  CallbackRecord record{services, &request, password};
  archive.setCallback(onEngineMessage, &record);
  char name[platform::kMaxPath];
  rar::RarHeader header;
  header.name = name;
  header.nameCapacity = sizeof name;
  bool lastEncrypted = false;
  for (reached = 0;; ++reached) {
    if (abortRequested(request)) return kDone;
    const int read = archive.readHeader(header);
    if (read == rar::kRarEndOfArchive) return kDone;
    if (read != rar::kRarSuccess) return lastEncrypted ? kWrongPassword : kDamagedData;
    lastEncrypted = (header.flags & rar::kRarFlagEncrypted) != 0;
    if (reached < resumeAt) {
      if (const int code = layerCode(archive.process(rar::RarOperation::Skip, nullptr)))
        return code;
      continue;
    }
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    dosTimeOf(header, dosDate, dosTime);
    const uint32_t size = reportedSize(header.size);
    const char flag = lastEncrypted ? kEncryptedFlag : ' ';
    char output[platform::kMaxPath] = "";
    services.MapOutputPath(&request, name, output);

    HostFile created = nullptr;
    if (output[0] != '\0' && lastEncrypted && password[0] == '\0' && !askPassword(record, name))
      return kPasswordCancelled;
    if (output[0] != '\0' && (header.attributes & kEntryFolder) != 0) {
      if (command == 'X') services.CreateFolderTree(request.owner, output);
    } else if (output[0] != '\0') {
      if (!request.selection || (request.mode & kModeAskWithSelection) != 0) {
        int answer = 0;
        services.ConfirmOverwrite(request.owner, output, &answer, dosDate, dosTime, size);
        if (answer == kStopExtraction) return kDone;
        if (answer == kSkipEntry) output[0] = '\0';
        if (output[0] == '\0' && request.progressContext)
          services.Progress(request.progressContext, reportedSize(header.packedSize));
      }
      if (output[0] != '\0' && createHostOutput(services, request.owner, output, &created) != 0)
        return kOutputNotOpened;
    }

    int code = kDone;
    if (created != nullptr) {
      HostFileGuard file(services, created);
      HostSink writer(request, services, created);
      code = layerCode(archive.process(rar::RarOperation::Extract, &writer));
      // Data that ends before its stated size is damaged, whatever the reader said.
      if (code == kDone && writer.written() != header.size) code = kDamagedData;
      if (code == kDone) services.SetFileDosTime(file.get(), dosDate, dosTime);
      file.close();
      if (code != kDone) services.DeleteFileQuiet(output);
    } else {
      code = layerCode(archive.process(rar::RarOperation::Skip, nullptr));
    }
    if (code == kDamagedData && lastEncrypted) return kWrongPassword;
    if (code != kDone) return code;
    if (created == nullptr) continue;
    if ((header.attributes & kRestoredAttributes) != 0)
      services.SetAttributes(output, header.attributes & kRestoredAttributes);
    if (request.targetPath && !request.outputFolder)
      services.OnEntryExtracted(output, name, dosDate, dosTime, header.attributes, flag, size,
                                request.callerContext);
    if (requestComplete(request)) return kDone;
  }
}

}  // namespace

int listRar(const char* path, ListingContext* context, EntryCallback callback,
            const HostServices& services, void*) {
  rar::RarArchive archive;
  if (archive.open(path, rar::RarOpenMode::List) != rar::kRarSuccess) return kNotThisFormat;
  CallbackRecord record{services, nullptr, nullptr};
  archive.setCallback(onEngineMessage, &record);
  char name[1024];
  rar::RarHeader header;
  header.name = name;
  header.nameCapacity = sizeof name;
  while (archive.readHeader(header) == rar::kRarSuccess) {
    markFolder(header);
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    dosTimeOf(header, dosDate, dosTime);
    const char flag = (header.flags & rar::kRarFlagEncrypted) != 0 ? kEncryptedFlag : ' ';
    callback(name, dosDate, dosTime, header.attributes, flag, reportedSize(header.size),
             reportedSize(header.packedSize), header.method, context);
    if (archive.process(rar::RarOperation::Skip, nullptr) != rar::kRarSuccess) break;
  }
  return kDone;
}

// A wrong password is forgotten and the extraction run once more, which asks again. The entries
// before the one that failed came out already: the second run passes over them, so none is
// reported twice.
int extractRar(ExtractionRequest& request, const HostServices& services, char command,
               char* password) {
  std::size_t reached = 0;
  const int code = extractOnce(request, services, command, password, 0, reached);
  if (code != kWrongPassword) return code;
  password[0] = '\0';
  return extractOnce(request, services, command, password, reached, reached);
}

namespace {

// RAR 1.5 to 4 end the marker block with 0, RAR 5 with 1 and 0.
constexpr char kRarMark[] = "Rar!\x1A\x07";       // with its NUL
constexpr char kRar5Mark[] = "Rar!\x1A\x07\x01";  // with its NUL

bool rarMarkAt(const uint8_t* at) {
  return bytesAre(at, kRarMark, sizeof kRarMark) || bytesAre(at, kRar5Mark, sizeof kRar5Mark);
}

}  // namespace

bool isRarHead(const uint8_t* head, const char*) {
  return rarMarkAt(head);
}

std::size_t findEmbeddedRar(const uint8_t* buffer, std::size_t end, std::size_t) {
  return findFirst(buffer, end, kRarMark[0], rarMarkAt);
}

}  // namespace ostrya::archive
