// portable: no platform headers.
#include <algorithm>
#include <array>
#include <cstring>

#include "archive/archive.h"
#include "archive/format_table.h"
#include "archive/host_file.h"

namespace ostrya::archive {
namespace {

// The cabinet comes first because its engine reads the whole cabinet header. Then the longer
// signatures, so that a head matching two takes the one less likely by chance: four to nineteen
// fixed bytes, then LHA's three marks and ARC's marker with its name rule, then the two-byte
// magic numbers.
constexpr TypeCode kHeadOrder[] = {kCab, kZip, kRar, kAce, kZoo, kLha, kArc, kGzip, kBzip2, kArj};
// The formats without a signature at byte 0: tar's checksum is the strongest test and ARJ's a
// CRC over a whole header, then the boot sector of an image, the ISO descriptor far into the
// file, and the short RPM and cpio marks.
constexpr TypeCode kDeepOrder[] = {kTar, kArj, kFloppyImage, kIso, kRpm, kCpio};
// A self-extracting program is followed by its archive: the first found wins, and at one
// offset the earlier format in this order.
constexpr TypeCode kEmbeddedOrder[] = {kZip, kRar, kAce, kLha};

// The rows of an order, looked up once rather than for every file.
template <std::size_t N>
const std::array<const DetectionTests*, N>& testsOf(const TypeCode (&order)[N]) {
  static const std::array<const DetectionTests*, N> tests = [&] {
    std::array<const DetectionTests*, N> rows{};
    for (std::size_t i = 0; i < N; ++i) rows[i] = &findFormat(order[i])->detect;
    return rows;
  }();
  return tests;
}

TypeCode testHead(const uint8_t* head, const char* path) {
  const auto& tests = testsOf(kHeadOrder);
  for (std::size_t i = 0; i < tests.size(); ++i)
    if (tests[i]->head(head, path)) return kHeadOrder[i];
  return kNoArchive;
}

TypeCode deepTests(const uint8_t* buffer, std::size_t m, uint64_t fileSize) {
  const auto& tests = testsOf(kDeepOrder);
  for (std::size_t i = 0; i < tests.size(); ++i)
    if (tests[i]->deep(buffer, m, fileSize)) return kDeepOrder[i];
  return kNoArchive;
}

// Each format looks only before the earliest offset found so far.
TypeCode scanForEmbeddedArchive(const uint8_t* buffer, std::size_t m, std::size_t length) {
  const auto& tests = testsOf(kEmbeddedOrder);
  TypeCode found = kNoArchive;
  std::size_t end = m;
  for (std::size_t i = 0; i < tests.size(); ++i) {
    const std::size_t at = tests[i]->embedded(buffer, end, length);
    if (at < end) {
      end = at;
      found = kEmbeddedOrder[i];
    }
  }
  return found;
}

// At most the first 128 KiB are read, in two reads: the head, then the rest.
TypeCode detectFromContents(const char* path, HostFile file, const HostServices& services) {
  uint8_t head[kHeadSize];
  if (services.ReadExact(file, head, kHeadSize) != 0) return kNoArchive;
  if (const TypeCode code = testHead(head, path)) return code;

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

// Contents only, never the name: one buffer read through the host, put to each format's tests.
TypeCode ArchiveDetectType(const char* path, const HostServices& services) {
  HostFileGuard file = HostFileGuard::openForReading(services, path);
  if (!file.isOpen()) return kNoArchive;
  return detectFromContents(path, file.get(), services);
}

}  // namespace ostrya::archive
