// portable: no platform headers.
#pragma once

#include <cstdint>
#include <memory>

struct mscab_decompressor;

namespace ostrya::engines {

struct CabinetSystem;

// What the test of a cabinet tells of its header.
struct CabinetInfo {
  uint32_t length = 0;
  uint16_t setId = 0;
  uint16_t setIndex = 0;
  bool hasPrevious = false;
  bool hasNext = false;
};

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
  bool isCabinet(int descriptor, CabinetInfo* info = nullptr);
  void destroy();

 private:
  std::unique_ptr<CabinetSystem> system_;
  mscab_decompressor* decompressor_ = nullptr;
};

}  // namespace ostrya::engines
