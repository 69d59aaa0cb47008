// portable: no platform headers.
#include "archive/format_table.h"

#include "archive/formats/ace.h"
#include "archive/formats/arc.h"
#include "archive/formats/arj.h"
#include "archive/formats/bzip2.h"
#include "archive/formats/cabinet.h"
#include "archive/formats/compressed_tar.h"
#include "archive/formats/cpio.h"
#include "archive/formats/floppy_image.h"
#include "archive/formats/gzip.h"
#include "archive/formats/iso9660.h"
#include "archive/formats/lha.h"
#include "archive/formats/rar.h"
#include "archive/formats/rpm.h"
#include "archive/formats/tar.h"
#include "archive/formats/tar_walk.h"
#include "archive/formats/zip.h"
#include "archive/formats/zoo.h"

namespace ostrya::archive {
namespace {

// One row per type code. Lookups go by code, so the order is the one a list of formats is
// shown in: the text encodings first, then the archive formats by display name. The text
// encodings carry names only; no detection yields them, and the compressed tars are found as
// what compresses them. Detection tries the rows' tests in an order of its own. Readers join their
// rows from archive/formats as they are written; ZIP and RAR extraction is dispatched by
// ArchiveExtract itself, their engines taking more than a request.
constexpr FormatHandler kFormatHandlers[] = {
    {kUu, "UU", "uue", nullptr, nullptr, {}},
    {kXx, "XX", "xxe", nullptr, nullptr, {}},
    {kMimeBase64, "MIME Base64", "b64", nullptr, nullptr, {}},
    {kAce, "Ace", "ace", listAce, extractAce, kAceDetection},
    {kArc, "Arc", "arc", listArc, extractArc, kArcDetection},
    {kArj, "Arj", "arj", listArj, extractArj, kArjDetection},
    {kBzip2, "bzip2", "bz2", listBzip2, extractBzip2, kBzip2Detection},
    {kCab, "Cab", "cab", listCabinet, extractCabinet, kCabinetDetection},
    {kCpio, "cpio", "cpio", listCpio, extractCpio, kCpioDetection},
    {kGzip, "GZip", "gz", listGzip, extractGzip, kGzipDetection},
    {kFloppyImage, "IMG", "img", listFloppyImage, extractFloppyImage, kFloppyImageDetection},
    {kIso, "ISO", "iso", listIso, extractIso, kIsoDetection},
    {kLha, "Lha", "lha", listLha, extractLha, kLhaDetection},
    {kRar, "Rar", "rar", listRar, nullptr, kRarDetection},
    {kRpm, "RPM", "rpm", listRpm, extractRpm, kRpmDetection},
    {kTar, "Tar", "tar", listTar, extractTar, kTarDetection},
    {kTbz, "tbz", "tbz", nullptr, extractTbz, {}},
    {kTgz, "TGz", "tgz", nullptr, extractTgz, {}},
    {kZip, "Zip", "zip", listZip, nullptr, kZipDetection},
    {kZoo, "Zoo", "zoo", listZoo, extractZoo, kZooDetection},
};

}  // namespace

std::span<const FormatHandler> formatHandlers() {
  return kFormatHandlers;
}

const FormatHandler* findFormat(TypeCode code) {
  for (const FormatHandler& row : kFormatHandlers)
    if (row.code == code) return &row;
  return nullptr;
}

int listAs(TypeCode code, const char* path, ListingContext* context, EntryCallback callback,
           const HostServices& services, void* user) {
  const FormatHandler* row = findFormat(code);
  if (row == nullptr || row->list == nullptr) return kNotThisFormat;
  return row->list(path, context, callback, services, user);
}

}  // namespace ostrya::archive
