// portable: no platform headers.
#pragma once

#include <cstring>
#include <string_view>

namespace ostrya {

// Calls `visit` with each non-empty element of a ';'-separated look-in list, exactly as written
// and in order, while it returns true.
template <typename Visit>
void forEachLookInElement(const char* lookIn, Visit&& visit) {
  for (const char* element = lookIn;;) {
    const char* end = std::strchr(element, ';');
    const std::size_t length = end ? static_cast<std::size_t>(end - element) : std::strlen(element);
    if (length != 0 && !visit(std::string_view(element, length))) return;
    if (end == nullptr) return;
    element = end + 1;
  }
}

}  // namespace ostrya
