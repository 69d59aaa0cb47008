// portable: no platform headers.
#include "engines/cabinet_engine.h"

#include <mspack.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/path.h"
#include "platform/runtime_file.h"

namespace ostrya::engines {
namespace {

// libmspack's file object: a run-time descriptor, owned unless the caller lent it, or an output
// the caller lent for a file being decoded.
struct RuntimeStream {
  int descriptor;
  bool owned;
  EntrySink* output = nullptr;
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
const char kLentOutput[] = "<lent output>";

}  // namespace

// libmspack's table of system functions, followed by the descriptor or output being lent.
struct CabinetSystem {
  mspack_system functions;
  int lent = platform::kNoDescriptor;
  EntrySink* output = nullptr;
};

namespace {

mspack_file* openStream(mspack_system* self, const char* name, int mode) {
  const auto* system = reinterpret_cast<const CabinetSystem*>(self);
  RuntimeStream stream{platform::kNoDescriptor, true};
  if (name == kLentDescriptor) {
    stream = {system->lent, false};
  } else if (name == kLentOutput) {
    if (system->output == nullptr) return nullptr;
    auto* lent = new (std::nothrow) RuntimeStream{platform::kNoDescriptor, false, system->output};
    return reinterpret_cast<mspack_file*>(lent);
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

// After a next cabinet of a set failed to open, the engine may read on through the handle that
// open left null; such calls fail instead of reaching a descriptor.
int readStream(mspack_file* file, void* buffer, int bytes) {
  const RuntimeStream* stream = streamOf(file);
  if (stream == nullptr || bytes < 0) return -1;
  return platform::runtimeRead(stream->descriptor, buffer, static_cast<unsigned>(bytes));
}

int writeStream(mspack_file* file, void* buffer, int bytes) {
  const RuntimeStream* stream = streamOf(file);
  if (stream == nullptr || bytes < 0) return -1;
  if (EntrySink* output = stream->output)
    return output->write(buffer, static_cast<std::size_t>(bytes)) ? bytes : -1;
  return platform::runtimeWrite(stream->descriptor, buffer, static_cast<unsigned>(bytes));
}

int seekStream(mspack_file* file, off_t offset, int mode) {
  const RuntimeStream* stream = streamOf(file);
  if (stream == nullptr) return -1;
  return platform::runtimeSeek(stream->descriptor, offset, seekFromOf(mode)) < 0 ? -1 : 0;
}

off_t tellStream(mspack_file* file) {
  const RuntimeStream* stream = streamOf(file);
  if (stream == nullptr) return -1;
  return static_cast<off_t>(
      platform::runtimeSeek(stream->descriptor, 0, platform::SeekFrom::Current));
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

// The next cabinet's name comes from the cabinet: only a plain file name in the same folder is
// followed.
bool isPlainFileName(const char* name) {
  if (name == nullptr || *name == '\0' || std::strcmp(name, "..") == 0 ||
      std::strcmp(name, ".") == 0)
    return false;
  return std::strpbrk(name, "/\\:") == nullptr;
}

CabinetRecord fileRecord(const mscabd_file& file, void* user) {
  CabinetRecord record;
  record.name = file.filename;
  record.size = file.length;
  record.dosDate =
      static_cast<uint16_t>((file.date_y - 1980) << 9 | file.date_m << 5 | file.date_d);
  record.dosTime = static_cast<uint16_t>(file.time_h << 11 | file.time_m << 5 | file.time_s / 2);
  // The bits past the DOS ones say "execute" and "UTF-8 name".
  record.attributes = static_cast<uint32_t>(file.attribs) & 0x3F;
  record.user = user;
  return record;
}

// The cabinets of one copy. Closing a cabinet closes the set it was joined to, so a cabinet
// joined to the first is given up here. The engine keeps the path it opened a cabinet by and
// opens it again to decode, so the paths live as long as the cabinets.
class OpenedCabinets {
 public:
  explicit OpenedCabinets(mscab_decompressor* decompressor) : decompressor_(decompressor) {}
  ~OpenedCabinets() {
    for (mscabd_cabinet* cabinet : cabinets_) decompressor_->close(decompressor_, cabinet);
  }
  OpenedCabinets(const OpenedCabinets&) = delete;
  OpenedCabinets& operator=(const OpenedCabinets&) = delete;
  mscabd_cabinet* open(std::string path) {
    try {
      paths_.push_back(std::move(path));
      cabinets_.reserve(cabinets_.size() + 1);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    mscabd_cabinet* cabinet = decompressor_->open(decompressor_, paths_.back().c_str());
    if (cabinet != nullptr) cabinets_.push_back(cabinet);
    return cabinet;
  }
  // Joins the last cabinet opened to `last`; false when the engine refuses.
  bool join(mscabd_cabinet* last) {
    if (decompressor_->append(decompressor_, last, cabinets_.back()) != MSPACK_ERR_OK) return false;
    cabinets_.pop_back();
    return true;
  }

 private:
  mscab_decompressor* decompressor_;
  std::deque<std::string> paths_;
  std::vector<mscabd_cabinet*> cabinets_;
};

// A set holds at most 65535 cabinets by its index field.
constexpr int kMostCabinetsInASet = 0xFFFF;

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

bool CabinetEngine::isCabinet(int descriptor) {
  if (decompressor_ == nullptr || descriptor == platform::kNoDescriptor) return false;
  if (platform::runtimeSeek(descriptor, 0, platform::SeekFrom::Start) != 0) return false;
  system_->lent = descriptor;
  mscabd_cabinet* cabinet = decompressor_->open(decompressor_, kLentDescriptor);
  system_->lent = platform::kNoDescriptor;
  if (cabinet == nullptr) return false;
  decompressor_->close(decompressor_, cabinet);
  return true;
}

bool CabinetEngine::copy(const char* cabinetName, const char* folder, CabinetNotify notify,
                         void* user) {
  if (decompressor_ == nullptr) return false;
  OpenedCabinets opened(decompressor_);
  const std::string base(folder);
  mscabd_cabinet* const first = opened.open(base + cabinetName);
  if (first == nullptr) return false;
  mscabd_cabinet* last = first;
  for (int count = 1;; ++count) {
    CabinetRecord cabinet;
    cabinet.name = count == 1 ? cabinetName : last->nextname;
    cabinet.user = user;
    if (notify(CabinetNote::CabinetInfo, cabinet) < 0) return false;
    if ((last->flags & MSCAB_HDR_NEXTCAB) == 0 || !isPlainFileName(last->nextname) ||
        count == kMostCabinetsInASet)
      break;
    cabinet.name = last->nextname;
    if (notify(CabinetNote::NextCabinet, cabinet) != 1) break;
    // The next cabinet carries the set's number and the index after this one's, so a set that
    // names one of its own cabinets again is not followed round.
    mscabd_cabinet* next = opened.open(base + last->nextname);
    if (next == nullptr || next->set_id != first->set_id ||
        next->set_index != last->set_index + 1 || !opened.join(last))
      break;
    last = next;
  }
  for (mscabd_file* file = first->files; file != nullptr; file = file->next) {
    CabinetRecord record = fileRecord(*file, user);
    // Names without the UTF-8 bit are in the writer's code page, taken as they are.
    char converted[platform::kMaxPath];
    if ((file->attribs & MSCAB_ATTRIB_UTF_NAME) != 0) {
      platform::utf8ToFileName(file->filename, std::strlen(file->filename), converted,
                               sizeof converted);
      record.name = converted;
    }
    const int answer = notify(CabinetNote::CopyFile, record);
    if (answer < 0) return false;
    if (answer == 0 || record.output == nullptr) continue;
    system_->output = record.output;
    record.damaged = decompressor_->extract(decompressor_, file, kLentOutput) != MSPACK_ERR_OK;
    system_->output = nullptr;
    if (notify(CabinetNote::CloseFileInfo, record) < 0) return false;
  }
  return true;
}

void CabinetEngine::destroy() {
  if (decompressor_) mspack_destroy_cab_decompressor(decompressor_);
  decompressor_ = nullptr;
  system_.reset();
}

}  // namespace ostrya::engines
