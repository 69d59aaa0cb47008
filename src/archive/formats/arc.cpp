// portable: no platform headers.
#include "archive/formats/arc.h"

namespace ostrya::archive {
namespace {

constexpr uint8_t kMarker = 0x1A;
constexpr std::size_t kMethodOffset = 1;
constexpr std::size_t kNameOffset = 2;
constexpr std::size_t kNameSize = 13;
constexpr uint8_t kHighestMethod = 9;

}  // namespace

bool passesArcHeaderTest(const uint8_t* head, const char*) {
  if (head[0] != kMarker || head[kMethodOffset] > kHighestMethod) return false;
  return std::memchr(head + kNameOffset, 0, kNameSize) != nullptr;
}

}  // namespace ostrya::archive
