// portable: no platform headers.
#include "archive/output_path.h"

#include <cstring>
#include <string>

#include "archive/bounded_text.h"
#include "platform/path.h"

namespace ostrya::archive {
namespace {

constexpr bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsUpper(const char* text, std::size_t length, const char* upper) {
  if (std::strlen(upper) != length) return false;
  for (std::size_t i = 0; i < length; ++i)
    if (asciiUpper(text[i]) != upper[i]) return false;
  return true;
}

// Windows opens these names as devices in every folder and with any extension ("aux.txt" is
// the auxiliary port, "CON .log" the console); the superscript digits of code page 1252 count
// as digits there too.
bool isDeviceName(const std::string& part) {
  std::size_t base = part.find('.');
  if (base == std::string::npos) base = part.size();
  while (base > 0 && part[base - 1] == ' ') --base;
  const char* name = part.c_str();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (equalsUpper(name, base, device)) return true;
  if (base != 4 || !(equalsUpper(name, 3, "COM") || equalsUpper(name, 3, "LPT"))) return false;
  const unsigned char digit = static_cast<unsigned char>(name[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// One folder or file name of an entry, made harmless: characters Windows gives a meaning in a
// path (a ':' names a drive or a data stream, '?' starts "\\?\" paths) become '_'; trailing
// dots and blanks, which Windows drops, go, so that ". ." and "..." cannot climb as ".." does;
// a device name gets a '_' in front. What is left may be empty: the part is then dropped.
std::string harmlessPart(const char* text, std::size_t length) {
  std::string part(text, length);
  for (char& c : part)
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c) != nullptr) c = '_';
  while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
  if (!part.empty() && isDeviceName(part)) part.insert(part.begin(), '_');
  return part;
}

}  // namespace

// A stored name is a stranger's data: "..", a leading separator, a drive letter or a device
// name must not take the output out of its folder. Parts that climb or name nothing are
// dropped rather than resolved ("a/../../b" keeps "a" and "b"), so the result never depends
// on folders that exist outside.
bool harmlessRelativeName(const char* entryName, bool keepFolders, char* out,
                          std::size_t capacity) {
  const char* name = entryName;
  if (isAsciiLetter(name[0]) && name[1] == ':') name += 2;
  const std::size_t length = std::strlen(name);
  const bool folderEntry = length > 0 && platform::isPathSeparator(name[length - 1]);
  if (!keepFolders) {
    if (folderEntry) return false;
    for (std::size_t i = length; i > 0; --i)
      if (platform::isPathSeparator(name[i - 1])) {
        name += i;
        break;
      }
  }
  std::string path;
  const char* part = name;
  for (const char* p = name;; ++p) {
    if (*p != '\0' && !platform::isPathSeparator(*p)) continue;
    const std::string harmless = harmlessPart(part, static_cast<std::size_t>(p - part));
    if (!harmless.empty()) {
      if (!path.empty()) path += platform::kPathSeparator;
      path += harmless;
    }
    if (*p == '\0') break;
    part = p + 1;
  }
  if (path.empty()) return false;
  if (folderEntry) path += platform::kPathSeparator;
  if (path.size() >= capacity) return false;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return true;
}

// A path that does not fit is skipped, never cut: a cut name could be another entry's, or a
// device ("CONFIG.SYS" cut after three characters).
int MapOutputPath(ExtractionRequest& request, const char* entryName, char* output,
                  const HostServices& services) {
  constexpr std::size_t capacity = platform::kMaxPath;
  output[0] = '\0';
  if (request.selection) {
    for (SelectionPair* pair = request.selection; pair->entryName; ++pair) {
      if (pair->outputPath[0] == kPairDone || std::strcmp(pair->entryName, entryName) != 0)
        continue;
      if (AppendBounded(output, pair->outputPath, capacity) != kFitted) output[0] = '\0';
      if (!request.targetPath) pair->outputPath[0] = kPairDone;
      break;
    }
  } else if (!request.targetPath) {
    // Without a folder there is nowhere inside to write to.
    if (!request.outputFolder || !request.outputFolder[0]) return 0;
    char relative[capacity];
    if (!harmlessRelativeName(entryName, (request.mode & kModeKeepFolders) != 0, relative,
                              capacity))
      return 0;
    if (AppendBounded(output, request.outputFolder, capacity) != kFitted ||
        AddSeparator(output, capacity) != kFitted ||
        AppendBounded(output, relative, capacity) != kFitted) {
      output[0] = '\0';
      return 0;
    }
  } else if (!request.singleEntry || std::strcmp(request.singleEntry, entryName) == 0) {
    if (AppendBounded(output, request.targetPath, capacity) != kFitted) output[0] = '\0';
  }
  if (output[0] == '\0') return 0;
  const uint16_t namePart = NamePartPos(output);
  if (namePart < 2) return 0;
  char folder[capacity];
  std::memcpy(folder, output, namePart - 1u);
  folder[namePart - 1] = '\0';
  return services.CreateFolderTree(request.owner, folder);
}

}  // namespace ostrya::archive
