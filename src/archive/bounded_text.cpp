// portable: no platform headers.
#include "archive/bounded_text.h"

#include <cstdio>
#include <cstring>

#include "platform/path.h"

namespace ostrya::archive {
namespace {

// Index of the last separator, or npos.
std::size_t lastSeparator(const char* path) {
  std::size_t last = static_cast<std::size_t>(-1);
  for (std::size_t i = 0; path[i]; ++i)
    if (platform::isPathSeparator(path[i])) last = i;
  return last;
}

}  // namespace

// A buffer that holds no terminator within its capacity counts as full: nothing is written past
// the capacity whatever the buffer held.
int AppendBounded(char* buffer, const char* text, std::size_t capacity) {
  if (capacity == 0) return kNoRoom;
  const std::size_t used = strnlen(buffer, capacity);
  const std::size_t length = std::strlen(text);
  if (length == 0 && used < capacity) return kFitted;
  if (used + 1 >= capacity) return kNoRoom;
  const std::size_t room = capacity - 1 - used;
  const std::size_t copied = length < room ? length : room;
  std::memcpy(buffer + used, text, copied);
  buffer[used + copied] = '\0';
  return copied == length ? kFitted : kCut;
}

// The system's own separator: a path made here is opened by the system, and outside Windows
// a backslash is part of a name.
int AddSeparator(char* path, std::size_t capacity) {
  const std::size_t length = strnlen(path, capacity);
  if (length == 0 || length == capacity || platform::isPathSeparator(path[length - 1]))
    return kFitted;
  const char separator[2] = {platform::kPathSeparator, '\0'};
  return AppendBounded(path, separator, capacity);
}

void ToBackslashes(char* text) {
  for (; *text; ++text)
    if (*text == '/') *text = '\\';
}

void ToSlashes(char* text) {
  for (; *text; ++text)
    if (*text == '\\') *text = '/';
}

std::size_t ExtensionPos(const char* name) {
  const std::size_t length = std::strlen(name);
  const std::size_t separator = lastSeparator(name);
  const std::size_t start = separator == static_cast<std::size_t>(-1) ? 0 : separator + 1;
  for (std::size_t i = length; i > start; --i)
    if (name[i - 1] == '.') return i - 1;
  return length;
}

// A path longer than 16 bits can index is no path of this program; its name part is taken to
// start at 0 rather than at a wrapped index.
uint16_t NamePartPos(const char* path) {
  const std::size_t separator = lastSeparator(path);
  if (separator == static_cast<std::size_t>(-1) || separator + 1 > 0xFFFF) return 0;
  return static_cast<uint16_t>(separator + 1);
}

void StripExtension(char* path) {
  path[ExtensionPos(path)] = '\0';
}

// A root stays a root: "C:\x" becomes "C:\" and "/x" becomes "/".
void CutLastPart(char* path) {
  const std::size_t separator = lastSeparator(path);
  if (separator == static_cast<std::size_t>(-1)) return;
  const bool driveRoot = separator == 2 && path[1] == ':';
  path[separator == 0 || driveRoot ? separator + 1 : separator] = '\0';
}

// A host that reports every name as taken must not hold the caller forever: after this many
// numbers the buffer is left as the folder alone and 0 is returned.
constexpr uint32_t kMostUniqueTries = 100000;

uint32_t MakeUniqueName(const char* modelName, char* buffer, std::size_t capacity,
                        int (*fileExists)(const char* path)) {
  if (capacity == 0) return 0;
  const std::size_t separator = lastSeparator(buffer);
  const std::size_t folderLength = separator == static_cast<std::size_t>(-1) ? 0 : separator + 1;
  const char* extension = modelName + ExtensionPos(modelName);
  for (uint32_t number = 1; number <= kMostUniqueTries; ++number) {
    buffer[folderLength] = '\0';
    char name[16];
    std::snprintf(name, sizeof name, "%u", static_cast<unsigned>(number));
    if (AppendBounded(buffer, name, capacity) != kFitted ||
        AppendBounded(buffer, extension, capacity) != kFitted)
      break;
    if (fileExists(buffer) != 0) return number;
  }
  buffer[folderLength < capacity ? folderLength : capacity - 1] = '\0';
  return 0;
}

}  // namespace ostrya::archive
