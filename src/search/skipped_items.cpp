// portable: no platform headers.
#include "search/skipped_items.h"

#include <new>

#include "results/totals.h"

namespace ostrya {

void SkippedItems::reset() {
  std::lock_guard<std::mutex> hold(mutex_);
  counts_ = {};
  first_.clear();
}

void SkippedItems::note(SkipKind kind, const char* path) {
  std::lock_guard<std::mutex> hold(mutex_);
  ++counts_[static_cast<std::size_t>(kind)];
  if (first_.size() == kKeptPaths) return;
  try {
    first_.push_back({kind, path});
  } catch (const std::bad_alloc&) {
    // The count is kept; only the path is lost.
  }
}

uint64_t SkippedItems::total() const {
  std::lock_guard<std::mutex> hold(mutex_);
  uint64_t total = 0;
  for (const uint64_t count : counts_) total += count;
  return total;
}

std::array<uint64_t, kSkipKinds> SkippedItems::counts() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return counts_;
}

std::vector<SkippedItems::Item> SkippedItems::firstItems() const {
  std::lock_guard<std::mutex> hold(mutex_);
  try {
    return first_;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::string skippedNote(uint64_t total, const TextLookup& texts, char thousandsSeparator) {
  if (total == 0) return {};
  try {
    return "; " + groupedNumber(total, thousandsSeparator) + " " + texts.text(kTextNotSearched);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

const char* skipKindText(SkipKind kind) {
  switch (kind) {
    case SkipKind::Unreadable:
      return "cannot be read";
    case SkipKind::PathTooLong:
      return "path too long";
    case SkipKind::Shrank:
      return "shrank while it was searched";
    case SkipKind::PatternLimit:
      return "the regular expression reached a limit";
    case SkipKind::TooLarge:
      return "too large";
    case SkipKind::ArchiveDamaged:
      return "damaged archive";
    case SkipKind::ArchiveEncrypted:
      return "encrypted";
    case SkipKind::ArchiveUnsupported:
      return "compression method not supported";
    case SkipKind::ArchiveUnreadable:
      return "entries could not be extracted";
    case SkipKind::EntryTooLarge:
      return "entry too large for the scratch space";
  }
  return "";
}

}  // namespace ostrya
