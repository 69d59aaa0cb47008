// portable: no platform headers.
#include "app/result_cells.h"

#include "platform/locale_format.h"
#include "results/totals.h"

namespace ostrya {

std::string resultCellTextLocked(ResultStore& store, const ResultRecord& record, Column column,
                                 const TextLookup& texts, char thousandsSeparator) {
  switch (column) {
    case Column::Name:
      return record.name();
    case Column::Size:
      // A folder has no size of its own, and some archive formats do not tell an entry's.
      if (record.isFolder() || record.size() == kUnknownSize) return std::string();
      return groupedNumber(record.size(), thousandsSeparator);
    case Column::Modified:
      return platform::dosDateTimeText(record.date(), record.time());
    case Column::Attributes:
      return attributeLetters(record.attributes());
    case Column::Path: {
      const FolderRecord folder = store.folderRecordLocked(record.folderNumber());
      return folder.bytes() != nullptr ? folder.path() : std::string();
    }
    case Column::Type:
      return store.typeTextLocked(record, texts);
  }
  return std::string();
}

}  // namespace ostrya
