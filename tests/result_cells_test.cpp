#include "app/result_cells.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "platform/path.h"
#include "store_fill.h"

namespace ostrya {
namespace {

using test::Found;

TEST(ResultCells, TextsOfEveryColumn) {
  ResultStore store;
  const char folder[] = "C:\\Data";
  test::addFolder(store, folder,
                  {{"report.txt", 1234567, 0x21, test::dosDate(2024, 5, 1), test::dosTime(9, 30)},
                   {"Sub", 0, 0x10, test::dosDate(2023, 1, 2), test::dosTime(0, 0)},
                   {"packed.bin", kUnknownSize, 0x8020, test::dosDate(2020, 2, 29), 0},
                   {"nodate", 5, 0, 0, 0}});
  struct Case {
    uint32_t row;
    Column column;
    std::string text;
  } cases[] = {
      {0, Column::Name, "report.txt"},
      {0, Column::Size, "1,234,567"},
      {0, Column::Attributes, "RA"},
      {0, Column::Path, folder},
      {0, Column::Type, "TXT-File"},
      {1, Column::Size, ""},  // folders have no size of their own
      {1, Column::Attributes, ""},
      {2, Column::Size, ""},  // an archive entry whose size the format does not tell
      {2, Column::Attributes, "AZ"},
      {3, Column::Size, "5"},
      {3, Column::Modified, ""},  // no valid date: no text
      {3, Column::Type, "File"},
  };
  std::lock_guard hold(store.lock());
  for (const Case& c : cases) {
    const ResultRecord record = store.recordOfRowLocked(c.row);
    ASSERT_NE(record.bytes(), nullptr);
    EXPECT_EQ(resultCellTextLocked(store, record, c.column, englishTexts(), ','), c.text)
        << c.row << " " << static_cast<int>(c.column);
  }
  const ResultRecord dated = store.recordOfRowLocked(0);
  const std::string when =
      resultCellTextLocked(store, dated, Column::Modified, englishTexts(), ',');
  EXPECT_NE(when.find("  "), std::string::npos) << when;  // date, two blanks, time
}

}  // namespace
}  // namespace ostrya
