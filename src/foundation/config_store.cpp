// portable: no platform headers.
#include "foundation/config_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "foundation/file_access.h"
#include "foundation/program_files.h"
#include "platform/file.h"
#include "platform/file_lock.h"
#include "platform/listing.h"
#include "platform/process.h"

namespace ostrya {

namespace {

// Another thread holds the store only for a scan of a small text; a setting that cannot wait
// this long is dropped rather than stalling the window.
constexpr std::chrono::milliseconds kLockWait{50};

// How long a write-back waits for another process's write-back to end.
constexpr uint32_t kWriteLockWait = 5000;

bool isLineBreak(char c) {
  return c == '\r' || c == '\n';
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// Accumulated in 32 bits so that every bit pattern, written unsigned, reads back as itself
// (and "-1" as all bits set).
uint32_t decimalValue(const char* text) {
  while (isBlank(*text)) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + uint32_t(*text - '0');
  return negative ? 0u - value : value;
}

// The file read whole. `error` tells a file that is there but cannot be read (its code, or -1)
// from one that is missing (0).
WholeFile readSettings(const std::string& name, int& error) {
  WholeFile whole = readWholeFile(name.c_str());
  error = 0;
  if (!whole.text && platform::fileAttributes(name.c_str()) != platform::kNoAttributes)
    error = whole.code != 0 ? whole.code : -1;
  return whole;
}

// A leftover of a killed run, or of a failed write, is removed; a folder of that name is not
// ours to remove.
void removeTemporary(const char* path) {
  const uint32_t attributes = platform::fileAttributes(path);
  if (attributes != platform::kNoAttributes && (attributes & platform::kAttrDirectory) == 0)
    std::remove(path);
}

}  // namespace

// Built from a plain mutex and a condition: the library's timed mutex waits through a call
// that thread sanitizers do not see, which makes every unlock look wrong to them.
bool ConfigStore::ReentrantLock::tryLockFor(std::chrono::milliseconds wait) {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> guard(mutex_);
  if (depth_ != 0 && owner_ == self) {
    ++depth_;
    return true;
  }
  if (!released_.wait_for(guard, wait, [this] { return depth_ == 0; })) return false;
  owner_ = self;
  depth_ = 1;
  return true;
}

void ConfigStore::ReentrantLock::unlock() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (--depth_ != 0) return;
  owner_ = std::thread::id();
  released_.notify_one();
}

ConfigStore::Lock::Lock(const ConfigStore& store)
    : store_(store), held_(store.lock_.tryLockFor(kLockWait)) {}

ConfigStore::Lock::~Lock() {
  if (held_) store_.lock_.unlock();
}

ConfigStore::ConfigStore(const char* fileName)
    : fileName_(fileName ? std::string(fileName)
                         : configurationFileName(platform::programPath(),
                                                 platform::currentDirectory())) {}

ConfigStore::~ConfigStore() {
  Lock lock(*this);
  if (lock.held()) writeBack();
}

int ConfigStore::flush() {
  Lock lock(*this);
  return lock.held() ? writeBack() : -1;
}

// A change replayed at write-back is already on record.
void ConfigStore::record(bool removesSection, const char* section, const char* key,
                         std::string_view value) {
  if (replaying_) return;
  changed_ = true;
  try {
    changes_.push_back({removesSection, section, key ? key : "", std::string(value)});
  } catch (const std::bad_alloc&) {
    changesIncomplete_ = true;
  }
}

const std::string& ConfigStore::fileName() const {
  return fileName_;
}

// The file is read on first need, and again on every look-up while it is missing, so that a file
// that appears later is still seen. One that exists but cannot be read (permission, lock, an I/O
// error) is not missing: it is left alone for the rest of the run.
bool ConfigStore::haveText() {
  if (text_) return true;
  if (readError_ != 0) return false;
  WholeFile whole = readSettings(fileName_, readError_);
  if (!whole.text) return false;
  text_ = std::move(whole.text);
  length_ = whole.length;
  return true;
}

std::size_t ConfigStore::lineEnd(std::size_t from) const {
  const char* text = text_.get();
  while (from < length_ && !isLineBreak(text[from])) ++from;
  return from;
}

// A header is a line beginning with "[name]"; the first one wins, whatever follows it.
std::size_t ConfigStore::findSection(const char* section) {
  if (!haveText()) return kNone;
  const char* text = text_.get();
  const std::size_t nameLength = std::strlen(section);
  std::size_t at = 0;
  while (at < length_) {
    if (text[at] == '[' && length_ - at >= nameLength + 2 &&
        std::memcmp(text + at + 1, section, nameLength) == 0 && text[at + 1 + nameLength] == ']')
      return at;
    at = lineEnd(at);
    while (at < length_ && isLineBreak(text[at])) ++at;
  }
  return kNone;
}

// The start of the first line after the one holding `from` that begins with "[", or the end of
// the text.
std::size_t ConfigStore::nextSectionStart(std::size_t from) const {
  const char* text = text_.get();
  std::size_t at = lineEnd(from);
  for (;;) {
    while (at < length_ && isLineBreak(text[at])) ++at;
    if (at >= length_ || text[at] == '[') return at;
    at = lineEnd(at);
  }
}

// Where the key's value starts in the section. The key must open its line; "Opt" does not
// answer for "Options=1" nor for " Opt=1", and blanks may stand on both sides of "=".
std::size_t ConfigStore::findValue(std::size_t header, const char* key) const {
  const char* text = text_.get();
  const std::size_t keyLength = std::strlen(key);
  std::size_t at = lineEnd(header);
  for (;;) {
    while (at < length_ && isLineBreak(text[at])) ++at;
    if (at >= length_ || text[at] == '[') return kNone;
    if (length_ - at > keyLength && std::memcmp(text + at, key, keyLength) == 0) {
      std::size_t after = at + keyLength;
      while (after < length_ && isBlank(text[after])) ++after;
      if (after < length_ && text[after] == '=') {
        ++after;
        while (after < length_ && isBlank(text[after])) ++after;
        return after;
      }
    }
    at = lineEnd(at);
  }
}

std::string_view ConfigStore::value(const char* section, const char* key) {
  if (section == nullptr || key == nullptr) return {};
  const std::size_t header = findSection(section);
  if (header == kNone) return {};
  const std::size_t start = findValue(header, key);
  if (start == kNone) return {};
  return std::string_view(text_.get() + start, lineEnd(start) - start);
}

// Replaces [begin, end) by the pieces. A replacement that is not longer is made in place
// without new memory; a longer one builds a new text, and without memory for it the old text
// stays and the result is false.
bool ConfigStore::splice(std::size_t begin, std::size_t end,
                         std::initializer_list<std::string_view> pieces) {
  constexpr std::size_t kLimit = static_cast<std::size_t>(-1) / 2;
  std::size_t added = 0;
  for (const std::string_view piece : pieces) {
    if (piece.size() > kLimit - added) return false;
    added += piece.size();
  }
  const std::size_t removed = end - begin;
  if (text_ && added <= removed) {
    char* at = text_.get() + begin;
    for (const std::string_view piece : pieces) {
      std::memcpy(at, piece.data(), piece.size());
      at += piece.size();
    }
    std::memmove(at, text_.get() + end, length_ - end + 1);
    length_ -= removed - added;
    return true;
  }
  if (length_ > kLimit - added) return false;
  const std::size_t length = length_ - removed + added;
  std::unique_ptr<char[]> grown(new (std::nothrow) char[length + 1]);
  if (!grown) return false;
  char* at = grown.get();
  if (text_) std::memcpy(at, text_.get(), begin);
  at += begin;
  for (const std::string_view piece : pieces) {
    std::memcpy(at, piece.data(), piece.size());
    at += piece.size();
  }
  if (text_) std::memcpy(at, text_.get() + end, length_ - end);
  grown[length] = '\0';
  text_ = std::move(grown);
  length_ = length;
  return true;
}

void ConfigStore::getText(const char* section, const char* key, const char* defaultText, char* out,
                          std::size_t capacity) {
  Lock lock(*this);
  if (!lock.held() || out == nullptr || capacity == 0) return;
  std::string_view found = value(section, key);
  if (found.empty()) found = defaultText ? defaultText : "";
  const std::size_t length = std::min(found.size(), capacity - 1);
  // The caller may pass its destination as the default.
  std::memmove(out, found.data(), length);
  out[length] = '\0';
}

std::string ConfigStore::getText(const char* section, const char* key, const char* defaultText) {
  const char* fallback = defaultText ? defaultText : "";
  try {
    Lock lock(*this);
    if (!lock.held()) return fallback;
    const std::string_view found = value(section, key);
    return found.empty() ? std::string(fallback) : std::string(found);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

// The value is read through a 64-byte buffer: digits beyond it do not count.
uint32_t ConfigStore::getNumber(const char* section, const char* key, uint32_t defaultNumber) {
  Lock lock(*this);
  if (!lock.held()) return defaultNumber;
  char text[64] = "";
  getText(section, key, "", text, sizeof text);
  return text[0] == '\0' ? defaultNumber : decimalValue(text);
}

// A new section goes at the end, one blank line after the text before it; a new key goes at
// the end of its section, before the blank line that parts it from the next one. The file is
// not marked changed when the value is already there.
void ConfigStore::putText(const char* section, const char* key, const char* value) {
  Lock lock(*this);
  if (!lock.held() || section == nullptr || key == nullptr) return;
  if (value == nullptr) value = "";
  const std::string_view newValue(value);
  bool done = false;
  const std::size_t header = findSection(section);
  if (header == kNone) {
    const bool separate =
        length_ != 0 && !std::string_view(text_.get(), length_).ends_with("\r\n\r\n");
    done = splice(length_, length_,
                  {separate ? "\r\n" : "", "[", section, "]\r\n", key, "=", newValue, "\r\n"});
  } else if (const std::size_t start = findValue(header, key); start == kNone) {
    std::size_t at = nextSectionStart(header);
    const std::string_view before(text_.get(), at);
    if (at - lineEnd(header) >= 4 && before.ends_with("\r\n\r\n")) at -= 2;
    const bool lineEnded = std::string_view(text_.get(), at).ends_with("\r\n");
    done = splice(at, at, {lineEnded ? "" : "\r\n", key, "=", newValue, "\r\n"});
  } else {
    const std::size_t end = lineEnd(start);
    if (std::string_view(text_.get() + start, end - start) == newValue) return;
    done = splice(start, end, {newValue});
  }
  if (done) record(false, section, key, newValue);
}

void ConfigStore::putNumber(const char* section, const char* key, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
  putText(section, key, text);
}

// Everything from the header up to the next header goes, or to the end of the text.
void ConfigStore::removeSection(const char* section) {
  Lock lock(*this);
  if (!lock.held() || section == nullptr) return;
  const std::size_t header = findSection(section);
  if (header == kNone) return;
  if (splice(header, nextSectionStart(header), {})) record(true, section, nullptr, {});
}

bool ConfigStore::hasSection(const char* section) {
  Lock lock(*this);
  return lock.held() && section != nullptr && findSection(section) != kNone;
}

bool ConfigStore::changed() const {
  Lock lock(*this);
  return lock.held() && changed_;
}

std::string ConfigStore::contents() const {
  try {
    Lock lock(*this);
    if (!lock.held() || !text_) return std::string();
    return std::string(text_.get(), length_);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

// This store's changes applied again, in order, to the file as another process may have left
// it.
void ConfigStore::replayOnto(std::unique_ptr<char[]> fresh, std::size_t length) {
  text_ = std::move(fresh);
  length_ = length;
  replaying_ = true;
  for (const Change& change : changes_) {
    if (change.removesSection)
      removeSection(change.section.c_str());
    else
      putText(change.section.c_str(), change.key.c_str(), change.value.c_str());
  }
  replaying_ = false;
}

// Under the lock that other writers share, the file is read again and this store's changes are
// applied to it. The new text goes to a file of this process's own beside the old one, which it
// replaces only once it is complete: a crash or a full disk during the write leaves the old
// settings whole. The read-only attribute of the old file is cleared only then, since Windows
// will not replace a read-only file.
int ConfigStore::writeBack() {
  // A file that could not be read was said to be so when it was read, and is left alone.
  if (!changed_ || fileName_.empty() || readError_ != 0) return 0;
  platform::FileWriteLock writers;
  int code = writers.acquire(fileName_, kWriteLockWait);
  if (code != 0) return code;
  if (!changesIncomplete_) {
    int error = 0;
    WholeFile fresh = readSettings(fileName_, error);
    // There but unreadable now: it is not written over.
    if (error != 0) return error;
    replayOnto(std::move(fresh.text), fresh.length);
  }
  std::string temporary;
  try {
    temporary = fileName_ + "." + std::to_string(platform::currentProcessId()) + ".new";
  } catch (const std::bad_alloc&) {
    return -1;
  }
  removeTemporary(temporary.c_str());
  code = writeWholeFile(temporary.c_str(), text_ ? text_.get() : "", length_);
  if (code == 0) {
    const uint32_t attributes = platform::fileAttributes(fileName_.c_str());
    if (attributes != platform::kNoAttributes && (attributes & platform::kAttrReadOnly) != 0)
      platform::setFileAttributes(fileName_.c_str(),
                                  attributes & ~uint32_t{platform::kAttrReadOnly});
    code = platform::replaceFile(temporary.c_str(), fileName_.c_str());
  }
  if (code != 0) {
    // The changes stay on record for another write-back.
    removeTemporary(temporary.c_str());
    return code;
  }
  changed_ = false;
  changes_.clear();
  changesIncomplete_ = false;
  return 0;
}

}  // namespace ostrya
