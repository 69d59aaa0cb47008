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

// A slot's failure code, shown to the user the way the host shows system errors.
inline int shownFailure(const HostServices& services, void* owner, int code, const char* title) {
  if (code > 0) services.ShowSystemError(owner, code, title, 0);
  return code;
}

// Creates an output file through the host. A failure the user may mend (a file another program
// holds open, a full disk) is offered again until the file is made or the user declines; the
// result is 0 or the last failure's code.
inline int createHostOutput(const HostServices& services, void* owner, const char* path,
                            HostFile* file) {
  for (;;) {
    *file = nullptr;
    const int code = services.CreateOutputFile(owner, path, file);
    if (code == 0 && *file != nullptr) return 0;
    if (code <= 0 || services.ShowSystemError(owner, code, path, 1) == 0)
      return code != 0 ? code : kNothingToShow;
  }
}

// The host's wait cursor while it lives.
class HostWaitCursor {
 public:
  explicit HostWaitCursor(const HostServices& services)
      : services_(services), previous_(services.BeginWait()) {}
  ~HostWaitCursor() { services_.EndWait(previous_); }
  HostWaitCursor(const HostWaitCursor&) = delete;
  HostWaitCursor& operator=(const HostWaitCursor&) = delete;

 private:
  const HostServices& services_;
  intptr_t previous_;
};

}  // namespace ostrya::archive
