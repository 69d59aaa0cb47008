// portable: no platform headers.
#include "engines/cabinet_engine.h"

#include <mspack.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/runtime_file.h"

namespace ostrya::engines {
namespace {

// libmspack's file object: a run-time descriptor, owned unless the caller lent it.
struct RuntimeStream {
  int descriptor;
  bool owned;
};

RuntimeStream* streamOf(mspack_file* file) {
  return reinterpret_cast<RuntimeStream*>(file);
}

platform::SeekFrom seekFromOf(int mode) {
  return mode == MSPACK_SYS_SEEK_START ? platform::SeekFrom::Start
         : mode == MSPACK_SYS_SEEK_CUR ? platform::SeekFrom::Current
                                       : platform::SeekFrom::End;
}

// The engine names files by text; a descriptor the caller already opened travels under this
// name, recognised by its address, so no file name can be mistaken for it.
const char kLentDescriptor[] = "<lent descriptor>";

}  // namespace

// libmspack's table of system functions, followed by the descriptor being lent.
struct CabinetSystem {
  mspack_system functions;
  int lent = platform::kNoDescriptor;
};

namespace {

mspack_file* openStream(mspack_system* self, const char* name, int mode) {
  const auto* system = reinterpret_cast<const CabinetSystem*>(self);
  RuntimeStream stream{platform::kNoDescriptor, true};
  if (name == kLentDescriptor) {
    stream = {system->lent, false};
  } else if (mode == MSPACK_SYS_OPEN_READ) {
    stream.descriptor = platform::runtimeOpenForReading(name);
  } else if (mode == MSPACK_SYS_OPEN_WRITE) {
    stream.descriptor = platform::runtimeCreateForWriting(name);
  }
  if (stream.descriptor == platform::kNoDescriptor) return nullptr;
  auto* opened = new (std::nothrow) RuntimeStream(stream);
  if (opened == nullptr && stream.owned) platform::runtimeClose(stream.descriptor);
  return reinterpret_cast<mspack_file*>(opened);
}

void closeStream(mspack_file* file) {
  RuntimeStream* stream = streamOf(file);
  if (stream == nullptr) return;
  if (stream->owned) platform::runtimeClose(stream->descriptor);
  delete stream;
}

int readStream(mspack_file* file, void* buffer, int bytes) {
  if (bytes < 0) return -1;
  return platform::runtimeRead(streamOf(file)->descriptor, buffer, static_cast<unsigned>(bytes));
}

int writeStream(mspack_file* file, void* buffer, int bytes) {
  if (bytes < 0) return -1;
  return platform::runtimeWrite(streamOf(file)->descriptor, buffer, static_cast<unsigned>(bytes));
}

int seekStream(mspack_file* file, off_t offset, int mode) {
  return platform::runtimeSeek(streamOf(file)->descriptor, offset, seekFromOf(mode)) < 0 ? -1 : 0;
}

off_t tellStream(mspack_file* file) {
  return static_cast<off_t>(
      platform::runtimeSeek(streamOf(file)->descriptor, 0, platform::SeekFrom::Current));
}

// The engine's warnings are meant for a person at a console; a search has none.
void ignoreMessage(mspack_file*, const char*, ...) {}

void* allocate(mspack_system*, size_t bytes) {
  return std::malloc(bytes);
}

void release(void* block) {
  std::free(block);
}

void copyBytes(void* from, void* to, size_t bytes) {
  std::memcpy(to, from, bytes);
}

}  // namespace

CabinetEngine::CabinetEngine() = default;

CabinetEngine::~CabinetEngine() {
  destroy();
}

// A libmspack built with another size of off_t than this program would read its structures
// wrongly; its self-test refuses that case.
bool CabinetEngine::create() {
  destroy();
  int selfTest = MSPACK_ERR_OK;
  MSPACK_SYS_SELFTEST(selfTest);
  if (selfTest != MSPACK_ERR_OK) return false;
  system_.reset(new (std::nothrow) CabinetSystem);
  if (!system_) return false;
  system_->functions = {openStream,    closeStream, readStream, writeStream, seekStream, tellStream,
                        ignoreMessage, allocate,    release,    copyBytes,   nullptr};
  decompressor_ = mspack_create_cab_decompressor(&system_->functions);
  if (decompressor_ == nullptr) system_.reset();
  return decompressor_ != nullptr;
}

bool CabinetEngine::isCabinet(int descriptor, CabinetInfo* info) {
  if (decompressor_ == nullptr || descriptor == platform::kNoDescriptor) return false;
  if (platform::runtimeSeek(descriptor, 0, platform::SeekFrom::Start) != 0) return false;
  system_->lent = descriptor;
  mscabd_cabinet* cabinet = decompressor_->open(decompressor_, kLentDescriptor);
  system_->lent = platform::kNoDescriptor;
  if (cabinet == nullptr) return false;
  if (info) {
    info->length = cabinet->length;
    info->setId = cabinet->set_id;
    info->setIndex = cabinet->set_index;
    info->hasPrevious = (cabinet->flags & MSCAB_HDR_PREVCAB) != 0;
    info->hasNext = (cabinet->flags & MSCAB_HDR_NEXTCAB) != 0;
  }
  decompressor_->close(decompressor_, cabinet);
  return true;
}

void CabinetEngine::destroy() {
  if (decompressor_) mspack_destroy_cab_decompressor(decompressor_);
  decompressor_ = nullptr;
  system_.reset();
}

}  // namespace ostrya::engines
