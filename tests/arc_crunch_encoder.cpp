#include "arc_crunch_encoder.h"

#include <cstring>

namespace ostrya::testing {
namespace {

constexpr unsigned kSlots = 4096;
constexpr uint16_t kNoPredecessor = 0xFFFF;

class HashedTable {
 public:
  explicit HashedTable(bool newerHash) : newerHash_(newerHash) {
    for (unsigned byte = 0; byte < 256; ++byte) add(kNoPredecessor, static_cast<uint8_t>(byte));
  }
  int find(uint16_t predecessor, uint8_t follower) const {
    for (unsigned slot = hash(predecessor, follower);; slot = next_[slot]) {
      if (used_[slot] && predecessor_[slot] == predecessor && follower_[slot] == follower)
        return static_cast<int>(slot);
      if (next_[slot] == 0) return -1;
    }
  }
  unsigned add(uint16_t predecessor, uint8_t follower) {
    unsigned slot = hash(predecessor, follower);
    if (used_[slot]) {
      unsigned last = slot;
      while (next_[last] != 0) last = next_[last];
      slot = (last + 101) % kSlots;
      while (used_[slot]) slot = (slot + 1) % kSlots;
      next_[last] = static_cast<uint16_t>(slot);
    }
    used_[slot] = true;
    follower_[slot] = follower;
    next_[slot] = 0;
    predecessor_[slot] = predecessor;
    return slot;
  }

 private:
  unsigned hash(uint16_t predecessor, uint8_t follower) const {
    const uint32_t sum = (predecessor + follower) & 0xFFFF;
    if (newerHash_) return (sum * 15073) & 0xFFF;
    const uint32_t k = sum | 0x800;
    return ((k * k) >> 6) & 0xFFF;
  }
  bool newerHash_;
  bool used_[kSlots] = {};
  uint8_t follower_[kSlots] = {};
  uint16_t next_[kSlots] = {};
  uint16_t predecessor_[kSlots] = {};
};

}  // namespace

ArcBytes crunchArcData(const ArcBytes& data, bool newerHash) {
  HashedTable table(newerHash);
  std::vector<unsigned> codes;
  if (!data.empty()) {
    unsigned stillToAdd = kSlots - 256;
    int string = table.find(kNoPredecessor, data[0]);
    for (std::size_t i = 1; i < data.size(); ++i) {
      const int longer = table.find(static_cast<uint16_t>(string), data[i]);
      if (longer >= 0) {
        string = longer;
        continue;
      }
      codes.push_back(static_cast<unsigned>(string));
      if (stillToAdd > 0) {
        table.add(static_cast<uint16_t>(string), data[i]);
        --stillToAdd;
      }
      string = table.find(kNoPredecessor, data[i]);
    }
    codes.push_back(static_cast<unsigned>(string));
  }
  ArcBytes packed;
  for (std::size_t i = 0; i < codes.size(); i += 2) {
    const unsigned second = i + 1 < codes.size() ? codes[i + 1] : 0;
    packed.push_back(static_cast<uint8_t>(codes[i] >> 4));
    packed.push_back(static_cast<uint8_t>((codes[i] & 0xF) << 4 | second >> 8));
    if (i + 1 < codes.size()) packed.push_back(static_cast<uint8_t>(second & 0xFF));
  }
  return packed;
}

ArcBytes packArcRuns(const ArcBytes& data) {
  ArcBytes packed;
  for (std::size_t i = 0; i < data.size();) {
    const uint8_t byte = data[i];
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == byte && run < 255) ++run;
    if (byte == 0x90) {
      packed.insert(packed.end(), {0x90, 0x00});
      i += 1;
    } else if (run >= 4) {
      packed.insert(packed.end(), {byte, 0x90, static_cast<uint8_t>(run)});
      i += run;
    } else {
      packed.push_back(byte);
      i += 1;
    }
  }
  return packed;
}

uint16_t arcCrc16(const ArcBytes& data) {
  uint16_t crc = 0;
  for (uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

ArcBytes arcEntry(uint8_t method, const std::string& name, const ArcBytes& packed,
                  const ArcBytes& original, uint16_t dosDate, uint16_t dosTime) {
  ArcBytes header(method == 1 ? 25 : 29, 0);
  header[0] = 0x1A;
  header[1] = method;
  std::memcpy(header.data() + 2, name.data(), std::min<std::size_t>(name.size(), 12));
  const auto put16 = [&](std::size_t at, uint32_t value) {
    header[at] = static_cast<uint8_t>(value);
    header[at + 1] = static_cast<uint8_t>(value >> 8);
  };
  const auto put32 = [&](std::size_t at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
  };
  put32(15, static_cast<uint32_t>(packed.size()));
  put16(19, dosDate);
  put16(21, dosTime);
  put16(23, arcCrc16(original));
  if (method != 1) put32(25, static_cast<uint32_t>(original.size()));
  header.insert(header.end(), packed.begin(), packed.end());
  return header;
}

}  // namespace ostrya::testing
