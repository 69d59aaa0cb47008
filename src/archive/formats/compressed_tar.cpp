// portable: no platform headers.
#include "archive/formats/compressed_tar.h"

#include "archive/bounded_text.h"
#include "archive/format_table.h"
#include "archive/formats/bzip2.h"
#include "archive/formats/gzip.h"
#include "archive/formats/tar.h"
#include "archive/host_file.h"
#include "platform/beep.h"
#include "platform/listing.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

// The scratch folder is named by a number alone: a model name without an extension.
constexpr const char* kScratchFolderModel = "tar";

// The one file the decompression left in `folder` (which ends with a separator), into `out`.
// The host table has no folder listing of its own, so the folder is listed directly.
bool findDecompressedFile(const char* folder, const HostServices& services, char* out) {
  platform::DirectoryListing listing;
  if (!listing.open(folder)) return false;
  platform::DirectoryEntry entry;
  while (listing.next(entry)) {
    if (entry.isFolder) continue;
    out[0] = '\0';
    return services.AppendBounded(out, folder, platform::kMaxPath) == kFitted &&
           services.AppendBounded(out, entry.name, platform::kMaxPath) == kFitted;
  }
  return false;
}

// The tar goes where the caller asked for the archive's entries; a file that is no tar is -3.
int extractTarFile(const ExtractionRequest& request, const char* tarPath,
                   const HostServices& services) {
  ExtractionRequest tarRequest = request;
  tarRequest.archivePath = tarPath;
  const int code = extractTar(tarRequest, services);
  return code == kNotThisFormat ? kCompressedTarHoldsNoTar : code;
}

// Decompresses into a scratch folder of its own, extracts the tar found there, and removes
// both again whatever happened.
int extractCompressedTar(ExtractionRequest& request, const HostServices& services,
                         ExtractOperation decompress) {
  if (request.selection || request.targetPath) {
    platform::errorBeep();
    return kDone;
  }
  char folder[platform::kMaxPath] = "";
  if (services.MakeUniqueName(kScratchFolderModel, folder, sizeof folder) == 0) return kSetUpFailed;
  if (services.CreateFolderTree(request.owner, folder) != 0) return kOpenFailed;
  int code = services.AddSeparator(folder, sizeof folder) == kFitted ? kDone : kSetUpFailed;

  char tarPath[platform::kMaxPath] = "";
  if (code == kDone) {
    ExtractionRequest unpack;
    unpack.owner = request.owner;
    unpack.abortFlag = request.abortFlag;
    unpack.archivePath = request.archivePath;
    unpack.progressContext = request.progressContext;
    unpack.outputFolder = folder;
    unpack.callerContext = request.callerContext;
    code = decompress(unpack, services);
  }
  if (code == kDone)
    code = findDecompressedFile(folder, services, tarPath)
               ? extractTarFile(request, tarPath, services)
               : kCompressedTarHoldsNoTar;

  if (tarPath[0] != '\0' && services.FileExists(tarPath) == 0)
    shownFailure(services, request.owner, services.DeleteFileRetry(request.owner, tarPath, 0),
                 tarPath);
  shownFailure(services, request.owner, services.RemoveFolder(request.owner, folder), folder);
  return code;
}

}  // namespace

int extractTgz(ExtractionRequest& request, const HostServices& services) {
  return extractCompressedTar(request, services, extractGzip);
}

int extractTbz(ExtractionRequest& request, const HostServices& services) {
  return extractCompressedTar(request, services, extractBzip2);
}

}  // namespace ostrya::archive
