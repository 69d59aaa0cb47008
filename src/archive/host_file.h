// portable: no platform headers.
#pragma once

#include <cstddef>

#include "archive/host_services.h"

namespace ostrya::archive {

// A file the host opened, closed through it. A failed open call may leave anything in its
// handle, so the guard takes the handle only after a successful one.
class HostFileGuard {
 public:
  HostFileGuard(const HostServices& services, HostFile file) : services_(services), file_(file) {}
  // isOpen() tells whether the open call succeeded.
  static HostFileGuard openForReading(const HostServices& services, const char* path) {
    HostFile opened = nullptr;
    const bool succeeded = services.OpenFile(path, &opened, kReadAccess) == 0;
    return HostFileGuard(services, succeeded ? opened : nullptr);
  }
  ~HostFileGuard() { close(); }
  HostFileGuard(const HostFileGuard&) = delete;
  HostFileGuard& operator=(const HostFileGuard&) = delete;

  HostFile get() const { return file_; }
  bool isOpen() const { return file_ != nullptr; }
  // The host's result; non-zero on success, and also when nothing was open.
  int close() {
    if (file_ == nullptr) return 1;
    const int result = services_.CloseFile(file_);
    file_ = nullptr;
    return result;
  }

 private:
  const HostServices& services_;
  HostFile file_ = nullptr;
};

// A block from the host's Alloc, given back through its FreeAndClear.
class HostBlock {
 public:
  HostBlock(const HostServices& services, std::size_t size)
      : services_(services), block_(services.Alloc(size)) {}
  ~HostBlock() {
    if (block_) services_.FreeAndClear(&block_);
  }
  HostBlock(const HostBlock&) = delete;
  HostBlock& operator=(const HostBlock&) = delete;

  unsigned char* bytes() const { return static_cast<unsigned char*>(block_); }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  const HostServices& services_;
  void* block_;
};

}  // namespace ostrya::archive
