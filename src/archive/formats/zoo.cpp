// portable: no platform headers.
#include "archive/formats/zoo.h"

namespace ostrya::archive {
namespace {

// "ZOO 2.10 Archive." 0x1A 0x00, with any version in bytes 4 to 7.
constexpr char kText[] = "ZOO 2.10 Archive.\x1A";  // with its NUL
constexpr std::size_t kTextSize = sizeof kText;
constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kVersionEnd = kVersionOffset + 4;

}  // namespace

bool isZooHead(const uint8_t* head, const char*) {
  return bytesAre(head, kText, kVersionOffset) &&
         bytesAre(head + kVersionEnd, kText + kVersionEnd, kTextSize - kVersionEnd);
}

}  // namespace ostrya::archive
