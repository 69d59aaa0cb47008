// portable: no platform headers.
#include "archive/archive.h"
#include "archive/format_table.h"

namespace ostrya::archive {
namespace {

// The ZIP and RAR engines take more than a request (the RAR command letter and the caller's
// password buffer), so their rows carry no extract operation and ArchiveExtract calls them by
// code. Until an engine is built in, its code is a type this layer cannot extract.
using RarExtractor = int (*)(ExtractionRequest& request, const HostServices& services, char command,
                             char* password);
struct BuiltInExtractors {
  ExtractOperation zip;
  RarExtractor rar;
};
constexpr BuiltInExtractors kBuiltIn = {nullptr, nullptr};

// RAR's command letter for extracting without the stored folder names.
constexpr char kRarExtractFlat = 'E';

int dispatch(ExtractionRequest& request, TypeCode type, char* password,
             const HostServices& services) {
  const FormatHandler* row = findFormat(type);
  if (row && row->extract) return row->extract(request, services);
  if (type == kZip && row) return kBuiltIn.zip ? kBuiltIn.zip(request, services) : kNotThisFormat;
  if (type == kRar && row)
    return kBuiltIn.rar ? kBuiltIn.rar(request, services, kRarExtractFlat, password)
                        : kNotThisFormat;
  // The text encodings have nothing to extract here.
  if (type == kUu || type == kXx || type == kMimeBase64) return kDone;
  return kNotThisFormat;
}

}  // namespace

bool ArchiveCanExtract(TypeCode type) {
  const FormatHandler* row = findFormat(type);
  if (row == nullptr) return false;
  return row->extract != nullptr || (type == kZip && kBuiltIn.zip != nullptr) ||
         (type == kRar && kBuiltIn.rar != nullptr);
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
