// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/entry_sink.h"

struct mscab_decompressor;

namespace ostrya::engines {

struct CabinetSystem;

// The notifications of a copy, numbered as the cabinet interface of Windows numbers them.
enum class CabinetNote { CabinetInfo = 0, CopyFile = 2, CloseFileInfo = 3, NextCabinet = 4 };

// What a notification tells: the file (for CopyFile and CloseFileInfo) or the cabinet (its name,
// for CabinetInfo and NextCabinet).
struct CabinetRecord {
  const char* name = "";
  uint32_t size = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  // DOS attribute bits.
  uint32_t attributes = 0;
  // Set by a CopyFile notification that takes the file.
  EntrySink* output = nullptr;
  // For CloseFileInfo: the file's data did not decode whole.
  bool damaged = false;
  void* user = nullptr;
};

// CopyFile: -1 stops the copy, 0 passes the file over, 1 takes it into `record.output`.
// NextCabinet: 1 follows the set into the next cabinet. Other answers are not read.
using CabinetNotify = int (*)(CabinetNote note, CabinetRecord& record);

// The cabinet decompression engine (libmspack) over run-time file descriptors.
class CabinetEngine {
 public:
  CabinetEngine();
  ~CabinetEngine();
  CabinetEngine(const CabinetEngine&) = delete;
  CabinetEngine& operator=(const CabinetEngine&) = delete;

  // Sets up a decoder context; false when none can be made.
  bool create();
  // Whether the file open on the descriptor is a cabinet whose headers read whole.
  bool isCabinet(int descriptor);
  // Walks the cabinet `folder` + `cabinetName` (the folder ends with a separator), and the set
  // it begins where NextCabinet allows, notifying as it goes. False when the cabinet cannot be
  // opened or a notification stopped the copy.
  bool copy(const char* cabinetName, const char* folder, CabinetNotify notify, void* user);
  void destroy();

 private:
  std::unique_ptr<CabinetSystem> system_;
  mscab_decompressor* decompressor_ = nullptr;
};

}  // namespace ostrya::engines
