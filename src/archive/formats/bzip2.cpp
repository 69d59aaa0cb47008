// portable: no platform headers of its own (bzlib.h brings in windows.h on Windows for its
// calling convention; nothing here uses its names).
#include "archive/formats/bzip2.h"

#include <bzlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "archive/entry_extraction.h"
#include "archive/formats/stream_entry_name.h"
#include "archive/host_file.h"
#include "platform/path.h"
#include "platform/runtime_file.h"

namespace ostrya::archive {
namespace {

// Decompressed data moves through one buffer of this size.
constexpr int kPieceSize = 8192;

// The tar a ".tbz" or ".tbz2" holds.
constexpr std::initializer_list<const char*> kTarExtensions = {"tbz", "tbz2"};

// libbzip2's complaints as this layer's codes. A stream that ends early is damaged data like
// any other, not a failed write.
int codeOf(int bzipError) {
  switch (bzipError) {
    case BZ_IO_ERROR:
      return kReadFailed;
    case BZ_UNEXPECTED_EOF:
    case BZ_DATA_ERROR:
    case BZ_DATA_ERROR_MAGIC:
      return kDamagedData;
    case BZ_MEM_ERROR:
      return kSetUpFailed;
    default:
      return kDecoderFailed;
  }
}

// Whether nothing follows in the input; a stream can end exactly where libbzip2's last read
// did, before the end-of-file flag is set.
bool atEnd(std::FILE* in) {
  const int c = std::fgetc(in);
  if (c == EOF) return true;
  std::ungetc(c, in);
  return false;
}

// Closes a reader handle however its stream ended.
class BzipReader {
 public:
  BzipReader(std::FILE* in, void* unused, int unusedCount)
      : reader_(BZ2_bzReadOpen(&openError_, in, 0, 0, unused, unusedCount)) {}
  ~BzipReader() {
    int ignored = BZ_OK;
    if (reader_) BZ2_bzReadClose(&ignored, reader_);
  }
  BzipReader(const BzipReader&) = delete;
  BzipReader& operator=(const BzipReader&) = delete;

  BZFILE* get() const { return reader_; }
  int openError() const { return openError_; }

 private:
  int openError_ = BZ_OK;
  BZFILE* reader_;
};

// Every stream of the input, one after another: the bytes read past a stream's end start the
// next one. Each piece is tested against the abort word first; an abort is -20.
int decompressStreams(std::FILE* in, EntryOutput& out, const ExtractionRequest& request) {
  char carried[BZ_MAX_UNUSED];
  int carriedCount = 0;
  char piece[kPieceSize];
  for (;;) {
    BzipReader reader(in, carriedCount > 0 ? carried : nullptr, carriedCount);
    if (reader.get() == nullptr) return codeOf(reader.openError());
    int error = BZ_OK;
    while (error == BZ_OK) {
      if (abortRequested(request)) return kDecoderFailed;
      const int count = BZ2_bzRead(&error, reader.get(), piece, kPieceSize);
      if ((error != BZ_OK && error != BZ_STREAM_END) || count <= 0) continue;
      if (out.write(piece, static_cast<std::size_t>(count)) != kDone) return kWriteFailed;
    }
    if (error != BZ_STREAM_END) return codeOf(error);
    void* rest = nullptr;
    BZ2_bzReadGetUnused(&error, reader.get(), &rest, &carriedCount);
    if (error != BZ_OK) return codeOf(error);
    std::memmove(carried, rest, static_cast<std::size_t>(carriedCount));
    if (carriedCount == 0 && atEnd(in)) break;
  }
  if (std::ferror(in)) return kReadFailed;
  return kDone;
}

// False when the host answers stop or skip, or clears the output path.
bool hostAgreesToWrite(const ExtractionRequest& request, const HostServices& services,
                       char* output) {
  if (request.selection && (request.mode & kModeAskWithSelection) == 0) return true;
  int answer = 0;
  services.ConfirmOverwrite(request.owner, output, &answer, 0, 0, kSizeNotGiven);
  return answer != kStopExtraction && answer != kSkipEntry && output[0] != '\0';
}

}  // namespace

bool isBzip2Head(const uint8_t* head, const char*) {
  return head[0] == 'B' && head[1] == 'Z';
}

int listBzip2(const char* path, ListingContext* context, EntryCallback callback,
              const HostServices& services, void*) {
  char name[platform::kMaxPath];
  nameFromArchivePath(path, kTarExtensions, services, name);
  callback(name, 0, 0, 0, ' ', kSizeNotGiven, 0, 0, context);
  return kDone;
}

// The input is a run-time stream, which is what libbzip2's file interface reads; the output is
// made and written by the host, as every format's is. Codes: -5 archive not opened, -14 output
// not created, -6 reading the archive, -7 writing the output, and the decoder's own (see
// codeOf).
int extractBzip2(ExtractionRequest& request, const HostServices& services) {
  char stored[platform::kMaxPath];
  nameFromArchivePath(request.archivePath, kTarExtensions, services, stored);
  const char* selected = firstSelectedName(request);
  const char* name = selected ? selected : stored;
  char output[platform::kMaxPath] = "";
  services.MapOutputPath(&request, name, output);
  if (output[0] == '\0') return kDone;

  platform::RuntimeStream in(platform::runtimeStreamForReading(request.archivePath));
  if (!in.isOpen()) return kOpenFailed;
  if (!hostAgreesToWrite(request, services, output)) return kDone;
  HostFile created = nullptr;
  if (createHostOutput(services, request.owner, output, &created) != 0) return kOutputNotOpened;
  HostFileGuard out(services, created);
  EntryOutput sink(request, services, out.get());
  int code = decompressStreams(in.get(), sink, request);
  const bool inClosed = in.close();
  const bool outClosed = out.close() != 0;
  if (code == kDone && !inClosed) code = kReadFailed;
  if (code == kDone && !outClosed) code = kWriteFailed;
  if (code != kDone) {
    if (services.FileExists(output) == 0)
      shownFailure(services, request.owner, services.DeleteFileRetry(request.owner, output, 0),
                   output);
    return code;
  }
  if (request.targetPath && !request.outputFolder)
    services.OnEntryExtracted(output, name, 0, 0, 0, ' ', reportedSize(sink.written()),
                              request.callerContext);
  return kDone;
}

}  // namespace ostrya::archive
