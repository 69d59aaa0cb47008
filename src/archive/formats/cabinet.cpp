// portable: no platform headers.
#include "archive/formats/cabinet.h"

#include <optional>
#include <string>

#include "archive/host_file.h"
#include "archive/host_sink.h"
#include "engines/cabinet_engine.h"
#include "platform/path.h"
#include "platform/runtime_file.h"

namespace ostrya::archive {
namespace {

using engines::CabinetNote;
using engines::CabinetRecord;

// The cabinet's file name and its folder (ending with a separator): the name begins after the
// last '\' or ':' that is followed by something other than '\'; '/' counts as '\'.
void splitCabinetPath(const char* path, std::string& folder, std::string& name) {
  std::size_t start = 0;
  for (std::size_t i = 0; path[i] != '\0'; ++i)
    if ((platform::isPathSeparator(path[i]) || path[i] == ':') &&
        !platform::isPathSeparator(path[i + 1]))
      start = i + 1;
  folder.assign(path, start);
  name.assign(path + start);
}

// The engine, set up, and the file tested as a cabinet: kDone, kSetUpFailed or kNotThisFormat.
int prepare(engines::CabinetEngine& engine, const char* path) {
  if (!engine.create()) return kSetUpFailed;
  platform::RuntimeFile file(platform::runtimeOpenForReading(path));
  return file.isOpen() && engine.isCabinet(file.descriptor()) ? kDone : kNotThisFormat;
}

struct Listing {
  EntryCallback callback;
  ListingContext* context;
};

// Every file is reported and passed over.
int listFile(CabinetNote note, CabinetRecord& record) {
  if (note != CabinetNote::CopyFile) return 0;
  const auto& listing = *static_cast<const Listing*>(record.user);
  listing.callback(record.name, record.dosDate, record.dosTime, record.attributes, ' ', record.size,
                   0, 0, listing.context);
  return 0;
}

class CabinetExtraction {
 public:
  CabinetExtraction(ExtractionRequest& request, const HostServices& services)
      : request_(request), services_(services) {}

  static int notify(CabinetNote note, CabinetRecord& record) {
    return static_cast<CabinetExtraction*>(record.user)->onNote(note, record);
  }
  int result() const { return result_; }

 private:
  int onNote(CabinetNote note, CabinetRecord& record) {
    // A file the engine wrote is closed whatever comes next.
    if (note == CabinetNote::CloseFileInfo) {
      closeFile(record);
      return abortRequested(request_) ? -1 : 1;
    }
    if (abortRequested(request_)) return -1;
    switch (note) {
      case CabinetNote::CabinetInfo:
        nextAllowed_ = true;
        return 0;
      case CabinetNote::NextCabinet:
        if (!nextAllowed_) return -1;
        nextAllowed_ = false;
        return 1;
      case CabinetNote::CopyFile:
        return copyFile(record);
      case CabinetNote::CloseFileInfo:
        break;
    }
    return 0;
  }

  int copyFile(CabinetRecord& record) {
    if (stopped_) return 0;
    output_[0] = '\0';
    services_.MapOutputPath(&request_, record.name, output_);
    if (output_[0] == '\0') return 0;
    if (!request_.selection || (request_.mode & kModeAskWithSelection) != 0) {
      int answer = 0;
      services_.ConfirmOverwrite(request_.owner, output_, &answer, record.dosDate, record.dosTime,
                                 record.size);
      stopped_ = answer == kStopExtraction;
      if (answer == kSkipEntry || stopped_ || output_[0] == '\0') return 0;
    }
    HostFile created = nullptr;
    if (createHostOutput(services_, request_.owner, output_, &created) != 0) {
      note(kOutputNotOpened);
      return 0;
    }
    file_ = created;
    writer_.emplace(request_, services_, created);
    record.output = &*writer_;
    return 1;
  }

  // The output's time is set before the host closes it; a file whose data did not decode whole
  // goes rather than pass for the entry.
  void closeFile(const CabinetRecord& record) {
    HostFileGuard file(services_, file_);
    file_ = nullptr;
    writer_.reset();
    if (record.damaged) {
      file.close();
      services_.DeleteFileQuiet(output_);
      note(kDamagedData);
      return;
    }
    services_.SetFileDosTime(file.get(), record.dosDate, record.dosTime);
    file.close();
    if (request_.targetPath && !request_.singleEntry)
      services_.OnEntryExtracted(output_, record.name, record.dosDate, record.dosTime,
                                 record.attributes, ' ', record.size, request_.callerContext);
    if ((record.attributes & kRestoredAttributes) != 0)
      services_.SetAttributes(output_, record.attributes & kRestoredAttributes);
    if (request_.progressContext) services_.Progress(request_.progressContext, record.size);
  }

  void note(int code) {
    if (result_ == kDone) result_ = code;
  }

  ExtractionRequest& request_;
  const HostServices& services_;
  char output_[platform::kMaxPath] = "";
  HostFile file_ = nullptr;
  std::optional<HostSink> writer_;
  bool nextAllowed_ = false;
  bool stopped_ = false;
  int result_ = kDone;
};

}  // namespace

int listCabinet(const char* path, ListingContext* context, EntryCallback callback,
                const HostServices&, void*) {
  engines::CabinetEngine engine;
  if (const int code = prepare(engine, path); code != kDone) return code;
  std::string folder;
  std::string name;
  splitCabinetPath(path, folder, name);
  Listing listing{callback, context};
  engine.copy(name.c_str(), folder.c_str(), listFile, &listing);
  return kDone;
}

int extractCabinet(ExtractionRequest& request, const HostServices& services) {
  {
    HostFileGuard archive = HostFileGuard::openForReading(services, request.archivePath);
    if (!archive.isOpen()) return kOpenFailed;
  }
  engines::CabinetEngine engine;
  if (const int code = prepare(engine, request.archivePath); code != kDone) return code;
  std::string folder;
  std::string name;
  splitCabinetPath(request.archivePath, folder, name);
  CabinetExtraction extraction(request, services);
  engine.copy(name.c_str(), folder.c_str(), CabinetExtraction::notify, &extraction);
  return extraction.result();
}

// Asking the engine costs a second open and its set-up, so only a head with the signature is
// put to it.
bool holdsCabinet(const uint8_t* head, const char* path) {
  constexpr char kSignature[] = {'M', 'S', 'C', 'F'};
  if (!bytesAre(head, kSignature, sizeof kSignature)) return false;
  engines::CabinetEngine engine;
  return prepare(engine, path) == kDone;
}

}  // namespace ostrya::archive
