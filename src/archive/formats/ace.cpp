// portable: no platform headers.
#include "archive/formats/ace.h"

namespace ostrya::archive {
namespace {

constexpr char kMark[] = "**ACE**";
constexpr std::size_t kMarkSize = sizeof kMark - 1;
constexpr std::size_t kMarkOffset = 7;

}  // namespace

bool isAceHead(const uint8_t* head, const char*) {
  return bytesAre(head + kMarkOffset, kMark, kMarkSize);
}

std::size_t findEmbeddedAce(const uint8_t* buffer, std::size_t end, std::size_t) {
  return findMark(buffer, end, kMark, kMarkSize);
}

}  // namespace ostrya::archive
