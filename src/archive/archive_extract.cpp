// portable: no platform headers.
#include "archive/archive.h"
#include "archive/format_table.h"
#include "archive/formats/rar.h"
#include "archive/formats/zip.h"

namespace ostrya::archive {
namespace {

// RAR's command letter for extracting without making the stored folders.
constexpr char kRarExtractFlat = 'E';

// The ZIP and RAR rows carry no extract operation: their engines are called by code, RAR's
// with more than a request (its command letter and the caller's password buffer).
int dispatch(ExtractionRequest& request, TypeCode type, char* password,
             const HostServices& services) {
  const FormatHandler* row = findFormat(type);
  if (row && row->extract) return row->extract(request, services);
  if (type == kZip && row) return extractZip(request, services);
  if (type == kRar && row) return extractRar(request, services, kRarExtractFlat, password);
  // The text encodings have nothing to extract here.
  if (type == kUu || type == kXx || type == kMimeBase64) return kDone;
  return kNotThisFormat;
}

}  // namespace

bool ArchiveCanExtract(TypeCode type) {
  const FormatHandler* row = findFormat(type);
  if (row == nullptr) return false;
  return row->extract != nullptr || type == kZip || type == kRar;
}

int ArchiveExtract(void* owner, const char* archivePath, const char* targetPath, bool keepFolders,
                   TypeCode type, const std::atomic<uint32_t>* abortFlag, char* password,
                   bool askOverwrite, void* callerContext, const HostServices& services) {
  ExtractionRequest request;
  request.owner = owner;
  request.abortFlag = abortFlag;
  request.archivePath = archivePath;
  request.targetPath = targetPath;
  request.mode = (keepFolders ? kModeKeepFolders : 0) | (askOverwrite ? kModeAskWithSelection : 0);
  request.callerContext = callerContext;
  const int result = dispatch(request, type, password, services);
  if (result != kDone) services.ReportError(owner, result);
  return result;
}

}  // namespace ostrya::archive
