// portable: no platform headers.
#pragma once

#include <lhasa.h>

#include <cstdint>

#include "archive/host_services.h"

namespace ostrya::archive {

// An archive as lhasa's reader takes it: an input stream whose every read and skip goes through
// the host, from the position the walk chose. lhasa ends its walk the same way at the end marker,
// at the file's end and at a header it cannot read, so the stream notes what the read of the
// next header met.
class LhaHostStream {
 public:
  LhaHostStream(const HostServices& services, HostFile file, uint64_t start, uint64_t size);
  ~LhaHostStream();
  LhaHostStream(const LhaHostStream&) = delete;
  LhaHostStream& operator=(const LhaHostStream&) = delete;

  // Null when lhasa could not set the stream up.
  LHAInputStream* stream() const { return stream_; }
  // Called before lhasa is asked for the next header.
  void expectHeader() { probe_ = Probe::Waiting; }
  // Once lhasa gave no header: kDone at the end marker or the file's end, kReadFailed when the
  // host could not read, kNotThisFormat for a header that does not parse or lies past the end.
  int endCode() const;
  bool readFailed() const { return readFailed_; }

 private:
  enum class Probe { Waiting, AtEnd, Header };
  static int read(void* handle, void* buffer, std::size_t capacity);
  static int skip(void* handle, std::size_t count);

  const HostServices& services_;
  HostFile file_;
  uint64_t position_;
  uint64_t size_;
  LHAInputStream* stream_ = nullptr;
  Probe probe_ = Probe::Waiting;
  bool readFailed_ = false;
};

}  // namespace ostrya::archive
