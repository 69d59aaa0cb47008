// portable: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/text_lookup.h"

namespace ostrya {

// Why a folder, file, archive or entry could not be searched.
enum class SkipKind {
  Unreadable,
  PathTooLong,
  Shrank,
  PatternLimit,
  TooLarge,
  ArchiveDamaged,
  ArchiveEncrypted,
  ArchiveUnsupported,
  ArchiveUnreadable,
  EntryTooLarge,
};
inline constexpr std::size_t kSkipKinds = 10;

// What a run could not search: a count per kind and the first few paths, so that a partial
// search is never taken for a complete one. Written by the run, read by whoever shows it.
class SkippedItems {
 public:
  static constexpr std::size_t kKeptPaths = 5;
  struct Item {
    SkipKind kind;
    std::string path;
  };

  void reset();
  void note(SkipKind kind, const char* path);
  uint64_t total() const;
  std::array<uint64_t, kSkipKinds> counts() const;
  std::vector<Item> firstItems() const;

 private:
  mutable std::mutex mutex_;
  std::array<uint64_t, kSkipKinds> counts_ = {};
  std::vector<Item> first_;
};

// "; 3 not searched" after the totals, in the run's language; empty when nothing was skipped.
std::string skippedNote(uint64_t total, const TextLookup& texts, char thousandsSeparator);

// "unreadable", "damaged archive" ...: the words the command line uses for a kind.
const char* skipKindText(SkipKind kind);

}  // namespace ostrya
