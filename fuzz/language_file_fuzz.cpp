// Language files come from translators and from anyone who can write beside the program: the
// loader meets any bytes, and every text it builds is fetched into buffers of every size the
// user interface uses and a few more. Input: the whole language file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/file_access.h"
#include "foundation/language_file.h"
#include "foundation/language_table.h"
#include "fuzz_scratch.h"

namespace {

// One folder per fuzzing process, removed when it exits.
class Folder {
 public:
  Folder() {
    path_ = std::filesystem::temp_directory_path() /
            ("ostrya-language-fuzz-" + ostrya::fuzzing::scratchSuffix());
    std::filesystem::create_directories(path_);
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string base() const { return (path_ / "BASE").string(); }

 private:
  std::filesystem::path path_;
};

constexpr std::size_t kCapacities[] = {0, 1, 2, 3, 15, 51, 63, 79, 127, 256, 259, 1100};

void fetch(const ostrya::LanguageTable& table, uint32_t id) {
  static char buffer[1101];
  for (std::size_t capacity : kCapacities) {
    std::memset(buffer, '#', sizeof buffer);
    ostrya::getText(&table, id, buffer, capacity);
    if (capacity == 0) {
      if (buffer[0] != '#') std::abort();
      continue;
    }
    // The cut never leaves the backslash of a "\t" without its "t".
    if (std::strlen(buffer) >= capacity || std::strstr(buffer, "\\t") != nullptr) std::abort();
  }
}

// Every identifier of the table, the display name, and identifiers no table holds.
void fetchEverything(const ostrya::LanguageTable& table) {
  for (const ostrya::LanguageEntry* entry = table.entries() + 1; entry->id != 0; ++entry)
    fetch(table, entry->id);
  for (uint32_t id : {0u, 1u, 0xFFFFu, 0x10064u}) fetch(table, id);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Folder folder;
  const std::string base = folder.base();
  const std::string path = base + "_XX.LNG";
  if (ostrya::writeWholeFile(path.c_str(), data, size) != 0) return 0;
  std::unique_ptr<ostrya::LanguageTable> table =
      ostrya::loadLanguageFile(ostrya::builtInLanguages(), base, "XX");
  if (!table) std::abort();  // the file exists, so there is always a table
  fetchEverything(*table);
  table.reset();
  return 0;
}
