// portable: no platform headers.
#include "app/console_host.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <mutex>

#include "results/export.h"
#include "search/folder_walk.h"

namespace ostrya {

void ConsoleHost::readField(PanelField field, char* out, std::size_t capacity) {
  const std::string& text = field == PanelField::NamePatterns ? options_.patterns
                            : field == PanelField::LookIn     ? options_.lookIn
                                                              : options_.text;
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

namespace {

// "2024-05-01 12:34:56" from a DOS date and time; blanks of the same width for a date with no
// month or day (an entry whose archive stores no date), which names no day at all.
void formatDosDateTime(uint16_t date, uint16_t time, char* out, std::size_t capacity) {
  const unsigned month = (date >> 5) & 0xFu;
  if (month < 1 || month > 12 || (date & 0x1Fu) == 0) {
    std::snprintf(out, capacity, "%19s", "");
    return;
  }
  std::snprintf(out, capacity, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (date >> 9),
                (date >> 5) & 0xFu, date & 0x1Fu, time >> 11, (time >> 5) & 0x3Fu,
                (time & 0x1Fu) * 2);
}

}  // namespace

void printRows(ResultStore& store, bool pathsOnly, std::FILE* out) {
  const uint32_t rows = store.rowCount();
  std::lock_guard<std::mutex> hold(store.lock());
  for (uint32_t row = 0; row < rows; ++row) {
    const ResultRecord record = store.recordOfRowLocked(row);
    const FolderRecord folder = store.folderRecordLocked(record.folderNumber());
    // Folder paths fit two path buffers (an archive's path and the path inside it), names one.
    char path[3 * platform::kMaxPath];
    if (!joinPath(folder.bytes() ? folder.path() : "", record.name(), path, sizeof path)) continue;
    const std::string shown = withControlsEscaped(path);
    if (pathsOnly) {
      std::fprintf(out, "%s\n", shown.c_str());
      continue;
    }
    char size[24];
    if (record.isFolder())
      std::snprintf(size, sizeof size, "<DIR>");
    else if (record.size() == kUnknownSize)
      size[0] = '\0';
    else
      std::snprintf(size, sizeof size, "%" PRIu64, record.size());
    char when[32];
    formatDosDateTime(record.date(), record.time(), when, sizeof when);
    std::fprintf(out, "%-7s %15s  %s  %s\n", attributeLetters(record.attributes()).c_str(), size,
                 when, shown.c_str());
  }
}

void printSkipped(const SkippedItems& skipped, std::FILE* out) {
  const uint64_t total = skipped.total();
  if (total == 0) return;
  std::fprintf(out, "ostrya-find: not searched:");
  const auto counts = skipped.counts();
  const char* joiner = " ";
  for (std::size_t kind = 0; kind < counts.size(); ++kind) {
    if (counts[kind] == 0) continue;
    std::fprintf(out, "%s%" PRIu64 " %s", joiner, counts[kind],
                 skipKindText(static_cast<SkipKind>(kind)));
    joiner = ", ";
  }
  std::fprintf(out, "\n");
  const std::vector<SkippedItems::Item> first = skipped.firstItems();
  for (const SkippedItems::Item& item : first)
    std::fprintf(out, "ostrya-find:   %s (%s)\n", withControlsEscaped(item.path).c_str(),
                 skipKindText(item.kind));
  if (total > first.size())
    std::fprintf(out, "ostrya-find:   and %" PRIu64 " more\n", total - first.size());
}

}  // namespace ostrya
