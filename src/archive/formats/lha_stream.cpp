// portable: no platform headers.
#include "archive/formats/lha_stream.h"

#include <algorithm>

namespace ostrya::archive {
namespace {

// The first byte of a header is its length; 0 there is the end marker LHA writes.
constexpr uint8_t kEndMarker = 0;

}  // namespace

LhaHostStream::LhaHostStream(const HostServices& services, HostFile file, uint64_t start,
                             uint64_t size)
    : services_(services), file_(file), position_(start), size_(size) {
  // No close: the host file belongs to the walk, which closes it.
  static const LHAInputStreamType type = {read, skip, nullptr};
  stream_ = lha_input_stream_new(&type, this);
}

LhaHostStream::~LhaHostStream() {
  if (stream_) lha_input_stream_free(stream_);
}

int LhaHostStream::endCode() const {
  if (readFailed_) return kReadFailed;
  return probe_ == Probe::AtEnd ? kDone : kNotThisFormat;
}

// lhasa takes a short read as the end of the data, so each read is filled unless the file ends.
int LhaHostStream::read(void* handle, void* buffer, std::size_t capacity) {
  auto& self = *static_cast<LhaHostStream*>(handle);
  // The host takes 32-bit counts; lhasa asks for a few kilobytes at a time.
  const uint32_t count = static_cast<uint32_t>(std::min<std::size_t>(capacity, 0x10000));
  uint32_t got = 0;
  if (self.services_.ReadSome(self.file_, buffer, count, &got) != 0) {
    self.readFailed_ = true;
    return -1;
  }
  self.position_ += got;
  if (self.probe_ == Probe::Waiting)
    self.probe_ = got == 0 || static_cast<const uint8_t*>(buffer)[0] == kEndMarker ? Probe::AtEnd
                                                                                   : Probe::Header;
  return static_cast<int>(got);
}

// Skips the data of an entry that was not decoded. Data that would run past the end of the
// file is a damaged header's size, not an archive that ends.
int LhaHostStream::skip(void* handle, std::size_t count) {
  auto& self = *static_cast<LhaHostStream*>(handle);
  if (count > self.size_ - std::min(self.position_, self.size_)) return 0;
  if (self.services_.SeekFile(self.file_, static_cast<int64_t>(count), platform::SeekFrom::Current,
                              nullptr) != 0) {
    self.readFailed_ = true;
    return 0;
  }
  self.position_ += count;
  return 1;
}

}  // namespace ostrya::archive
