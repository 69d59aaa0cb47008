// portable: no platform headers.
#include <algorithm>
#include <cstring>

#include "archive/archive.h"
#include "archive/host_file.h"
#include "archive/signatures.h"
#include "engines/cabinet_engine.h"
#include "platform/runtime_file.h"

namespace ostrya::archive {
namespace {

// The cabinet engine reads the file through its own run-time descriptor. A file it cannot open,
// or an engine that cannot be set up, is simply no cabinet.
bool holdsCabinet(const char* path) {
  engines::CabinetEngine engine;
  if (!engine.create()) return false;
  platform::RuntimeFile file(platform::runtimeOpenForReading(path));
  return file.isOpen() && engine.isCabinet(file.descriptor());
}

// The engine takes only a file that begins with its signature; asking it costs a second open
// and the engine's set-up, so only such files are put to it.
constexpr char kCabinetSignature[4] = {'M', 'S', 'C', 'F'};

// At most the first 128 KiB are read, in two reads: the head, then the rest.
TypeCode detectFromContents(const char* path, HostFile file, const HostServices& services) {
  uint8_t head[kHeadSize];
  if (services.ReadExact(file, head, kHeadSize) != 0) return kNoArchive;
  if (std::memcmp(head, kCabinetSignature, sizeof kCabinetSignature) == 0 && holdsCabinet(path))
    return kCab;
  if (const TypeCode code = testHead(head)) return code;

  uint64_t fileSize = 0;
  if (services.GetFileSize(nullptr, file, &fileSize) != 0) fileSize = 0;
  // The full size decides; a file that claims less than its head (one that shrank) has no deep
  // tests.
  const std::size_t capped = static_cast<std::size_t>(std::min<uint64_t>(fileSize, kDeepReadCap));
  if (capped < kHeadSize) return kNoArchive;
  HostBlock buffer(services, capped);
  if (!buffer) return kNoArchive;
  std::memcpy(buffer.bytes(), head, kHeadSize);
  const std::size_t rest = capped - kHeadSize;
  if (rest > 0 &&
      services.ReadExact(file, buffer.bytes() + kHeadSize, static_cast<uint32_t>(rest)) != 0)
    return kNoArchive;
  // The deep tests and the scan look at all but the last head's length of what was read.
  const std::size_t m = rest;
  if (const TypeCode code = deepTests(buffer.bytes(), m, fileSize)) return code;
  return scanForEmbeddedArchive(buffer.bytes(), m, capped);
}

}  // namespace

// Contents only, never the name. The cabinet test comes first because its engine reads the
// whole cabinet header; the rest works on one buffer read through the host.
TypeCode ArchiveDetectType(const char* path, const HostServices& services) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kNoArchive;
  return detectFromContents(path, file.get(), services);
}

}  // namespace ostrya::archive
