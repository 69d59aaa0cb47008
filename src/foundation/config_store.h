// portable: no platform headers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ostrya {

// The settings file held whole in memory (also the read-only parser of language files): reads
// answer from the text, writes change the text, and the file is written back once, when the
// store is flushed or destroyed, if anything changed. Every operation waits at most 50 ms for
// the store's re-entrant lock and does nothing without it.
//
// Other processes may write the same file meanwhile: the write-back takes a lock they share,
// reads the file again, applies this store's changes to it and replaces it whole, so that
// their keys survive and no reader sees a partial file.
class ConfigStore {
 public:
  // With no file name, the configuration file beside the program.
  explicit ConfigStore(const char* fileName = nullptr);
  ~ConfigStore();
  ConfigStore(const ConfigStore&) = delete;
  ConfigStore& operator=(const ConfigStore&) = delete;

  const std::string& fileName() const;

  // The value cut to capacity - 1 bytes; the default (also cut) for a missing section or key
  // or an empty value.
  void getText(const char* section, const char* key, const char* defaultText, char* out,
               std::size_t capacity);
  // The whole value; the default when it is missing or empty, or when the lock is not had.
  std::string getText(const char* section, const char* key, const char* defaultText = "");
  // A decimal with optional blanks and sign, read with 32-bit wrap-around.
  uint32_t getNumber(const char* section, const char* key, uint32_t defaultNumber);
  void putText(const char* section, const char* key, const char* value);
  void putNumber(const char* section, const char* key, uint32_t value);
  void removeSection(const char* section);
  bool hasSection(const char* section);

  // True when the text differs from the file and will be written back.
  bool changed() const;
  // Writes the changes back now: 0, or the error code (-1 without one) when they could not be
  // written; they then stay for the write-back at destruction, whose failure is silent. A file
  // that could not be read is never written, and that is no new failure.
  int flush();
  // Non-zero (the error code, or -1) when the file exists but could not be read: the store then
  // never writes it, so that the user's settings are not replaced by the few keys changed since.
  int readError() const { return readError_; }
  // The text as it stands in memory; empty when none has been read or made.
  std::string contents() const;

  // Holds the store's lock across a group of operations, which take it again; when held() is
  // false the group must be skipped.
  class Lock {
   public:
    explicit Lock(const ConfigStore& store);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool held() const { return held_; }

   private:
    const ConfigStore& store_;
    bool held_;
  };

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  bool haveText();
  std::size_t findSection(const char* section);
  std::size_t findValue(std::size_t header, const char* key) const;
  std::size_t nextSectionStart(std::size_t from) const;
  std::size_t lineEnd(std::size_t from) const;
  std::string_view value(const char* section, const char* key);
  bool splice(std::size_t begin, std::size_t end, std::initializer_list<std::string_view> pieces);
  int writeBack();
  void record(bool removesSection, const char* section, const char* key, std::string_view value);
  void replayOnto(std::unique_ptr<char[]> fresh, std::size_t length);

  // Re-entrant for the owning thread, with a bounded wait for the others.
  class ReentrantLock {
   public:
    bool tryLockFor(std::chrono::milliseconds wait);
    void unlock();

   private:
    std::mutex mutex_;
    std::condition_variable released_;
    std::thread::id owner_;
    unsigned depth_ = 0;
  };

  mutable ReentrantLock lock_;
  std::string fileName_;
  // The whole file followed by a zero; none until read or first written.
  std::unique_ptr<char[]> text_;
  std::size_t length_ = 0;
  bool changed_ = false;
  int readError_ = 0;
  // What this store changed, in order, to be applied again to the file as it is at write-back.
  struct Change {
    bool removesSection;
    std::string section;
    std::string key;
    std::string value;
  };
  std::vector<Change> changes_;
  // Set when a change could not be kept: the write-back then writes the text as it stands.
  bool changesIncomplete_ = false;
  bool replaying_ = false;
};

}  // namespace ostrya
