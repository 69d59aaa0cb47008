// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engines/entry_sink.h"
#include "platform/codepage.h"

struct archive;
struct archive_entry;

namespace ostrya::engines::rar {

// Results, numbered as the RAR library interface numbers them.
enum RarResult : int {
  kRarSuccess = 0,
  kRarEndOfArchive = 10,
  kRarNoMemory = 11,
  kRarBadData = 12,
  kRarBadArchive = 13,
  kRarOpenFailed = 15,
  kRarWriteFailed = 19,
};

enum class RarOpenMode { List = 0, Extract = 1 };
enum class RarOperation { Skip = 0, Extract = 2 };

// The callback's message types: a volume change, data processed, a password needed.
enum class RarMessage : unsigned { ChangeVolume = 0, ProcessData = 1, NeedPassword = 2 };
// Argument 1 and 2 as the message gives them (a pointer or a count); the answer is the
// callback's int.
using RarCallback = int (*)(RarMessage message, void* user, intptr_t first, intptr_t second);

inline constexpr uint32_t kRarFlagEncrypted = 0x04;
inline constexpr std::size_t kRarPasswordCapacity = 128;

// One entry's header. The name is in the program's file name characters, cut to whole
// characters within `nameCapacity`.
struct RarHeader {
  char* name = nullptr;
  std::size_t nameCapacity = 0;
  uint32_t flags = 0;
  uint64_t packedSize = 0;
  uint64_t size = 0;
  bool hasTime = false;
  // Seconds since 1970, universal time.
  int64_t modified = 0;
  // DOS attribute bits.
  uint32_t attributes = 0;
  uint32_t method = 0;
};

// A RAR archive (versions 1.5 to 5, solid or not, behind a self-extracting stub) read through
// libarchive, in the shape of the RAR library interface: open, read a header, process or skip
// the entry, close.
class RarArchive {
 public:
  RarArchive() = default;
  ~RarArchive();
  RarArchive(const RarArchive&) = delete;
  RarArchive& operator=(const RarArchive&) = delete;

  // kRarSuccess, or why the archive cannot be read as RAR.
  int open(const char* path, RarOpenMode mode);
  void setCallback(RarCallback callback, void* user);
  // kRarSuccess with the next header, kRarEndOfArchive, or kRarBadData.
  int readHeader(RarHeader& header);
  // Extracts the entry of the last header into `output`, or skips it.
  int process(RarOperation operation, EntrySink* output);

 private:
  int extract(EntrySink& output);

  // libarchive turns names into the thread's multibyte text; first in, last out.
  platform::Utf8ThreadLocale utf8_;
  ::archive* reader_ = nullptr;
  ::archive_entry* entry_ = nullptr;
  RarCallback callback_ = nullptr;
  void* user_ = nullptr;
  bool encrypted_ = false;
  char password_[kRarPasswordCapacity + 1] = "";
};

}  // namespace ostrya::engines::rar
