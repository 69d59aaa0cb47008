// portable: no platform headers.
#include "archive/formats/stream_entry_name.h"

#include "archive/format_table.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (asciiLower(*a) != asciiLower(*b)) return false;
  return *a == *b;
}

}  // namespace

void nameFromArchivePath(const char* archivePath, std::initializer_list<const char*> tarExtensions,
                         const HostServices& services, char* out) {
  constexpr std::size_t capacity = platform::kMaxPath;
  out[0] = '\0';
  services.AppendBounded(out, archivePath + services.NamePartPos(archivePath), capacity);
  const char* extension = out + services.ExtensionPos(out);
  bool namesTar = false;
  if (*extension == '.')
    for (const char* tarExtension : tarExtensions)
      namesTar = namesTar || equalIgnoringCase(extension + 1, tarExtension);
  services.StripExtension(out);
  if (namesTar) {
    services.AppendBounded(out, ".", capacity);
    services.AppendBounded(out, findFormat(kTar)->extension, capacity);
  }
}

const char* firstSelectedName(const ExtractionRequest& request) {
  return request.selection ? request.selection->entryName : nullptr;
}

}  // namespace ostrya::archive
