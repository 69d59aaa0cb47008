// portable: no platform headers.
#include "archive/entry_extraction.h"

#include <cstring>

#include "archive/host_file.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

bool isFolderEntry(const EntryFacts& entry) {
  const std::size_t length = std::strlen(entry.name);
  return (entry.attributes & kEntryFolder) != 0 ||
         (length > 0 && platform::isPathSeparator(entry.name[length - 1]));
}

// Stored data moves in pieces this small so that progress is reported often and a piece fits
// any buffer a host keeps.
constexpr uint32_t kStoredPiece = 512;

}  // namespace

bool namesNoEntry(const char* name) {
  std::size_t dots = 0;
  while (dots < 2 && name[dots] == '.') ++dots;
  const char* rest = name + dots;
  return *rest == '\0' || (platform::isPathSeparator(*rest) && rest[1] == '\0');
}

bool requestComplete(const ExtractionRequest& request) {
  if (request.selection) {
    for (const SelectionPair* pair = request.selection; pair->entryName; ++pair)
      if (pair->outputPath[0] != kPairDone) return false;
    return true;
  }
  return request.targetPath != nullptr && request.singleEntry != nullptr;
}

int EntryOutput::write(const void* bytes, std::size_t count) {
  const auto* next = static_cast<const unsigned char*>(bytes);
  while (count > 0) {
    // The host takes 32-bit counts.
    const uint32_t piece = count > 0x40000000 ? 0x40000000u : static_cast<uint32_t>(count);
    if (shownFailure(services_, request_.owner,
                     services_.WriteExact(request_.owner, file_, next, piece), nullptr) != 0)
      return kWriteFailed;
    if (progress_ == Progress::PerWrite && request_.progressContext)
      services_.Progress(request_.progressContext, piece);
    written_ += piece;
    next += piece;
    count -= piece;
  }
  return kDone;
}

int StoredData::writeTo(EntryOutput& output) {
  unsigned char piece[kStoredPiece];
  for (uint64_t left = size_; left > 0;) {
    const uint32_t count = left < kStoredPiece ? static_cast<uint32_t>(left) : kStoredPiece;
    if (services_.ReadExact(archive_, piece, count) != 0) return kReadFailed;
    const int code = output.write(piece, count);
    if (code != kDone) return code;
    left -= count;
  }
  return kDone;
}

// An answer of 100 from ConfirmOverwrite, or an output path it cleared, skips the entry as the
// engines' overwrite questions do; 104 ends the extraction with success.
EntryStep extractEntry(ExtractionRequest& request, const HostServices& services,
                       const EntryFacts& entry, EntryData* data) {
  if (abortRequested(request)) return {kDone, true};
  char output[platform::kMaxPath] = "";
  services.MapOutputPath(&request, entry.name, output);
  if (output[0] == '\0') return {};

  if (entry.refusal == kDone && isFolderEntry(entry)) {
    if (!request.targetPath) services.CreateFolderTree(request.owner, output);
    return {};
  }

  if (!request.selection || (request.mode & kModeAskWithSelection) != 0) {
    int answer = 0;
    services.ConfirmOverwrite(request.owner, output, &answer, entry.dosDate, entry.dosTime,
                              entry.size);
    if (answer == kStopExtraction) return {kDone, true};
    if (answer == kSkipEntry || output[0] == '\0') return {};
  }
  if (entry.refusal != kDone) return {entry.refusal, false};

  HostFile created = nullptr;
  if (createHostOutput(services, request.owner, output, &created) != 0) return {kOpenFailed, true};
  HostFileGuard file(services, created);
  EntryOutput sink(request, services, file.get());
  const int code = data ? data->writeTo(sink) : kDone;
  if (code == kDone) services.SetFileDosTime(file.get(), entry.dosDate, entry.dosTime);
  file.close();
  if (code != kDone) {
    shownFailure(services, request.owner, services.DeleteFileRetry(request.owner, output, 0),
                 output);
    return {code, true};
  }
  if (services.SetAttributes(output, entry.attributes & kRestoredAttributes) == 0 &&
      entry.attributesNotSetCode != kDone)
    return {entry.attributesNotSetCode, true};

  if (request.targetPath && !request.outputFolder)
    services.OnEntryExtracted(output, entry.name, entry.dosDate, entry.dosTime, entry.attributes,
                              entry.flag, entry.size, request.callerContext);
  return {kDone, requestComplete(request)};
}

}  // namespace ostrya::archive
