// portable: no platform headers.
#include "app/column_table.h"

#include <algorithm>
#include <cstdio>

#include "foundation/config_store.h"
#include "foundation/config_values.h"

namespace ostrya {
namespace {

constexpr char kSection[] = "Ostrya";
// The Name column is never hidden and never narrower than this; a stored width at or below the
// narrow limit is taken as a slip of the mouse.
constexpr int kNameMinimumStoredWidth = 10;
constexpr int kNameRestoredWidth = 100;
constexpr int kMinimumRemainingWidth = 50;
// Between the columns and the border of the list.
constexpr int kBorderAllowance = 4;

void keyName(std::size_t row, char (&key)[16]) {
  std::snprintf(key, sizeof key, "Col%ld", static_cast<long>(row));
}

}  // namespace

ColumnTable defaultColumns() {
  return {{
      {50, 150, 0, 0, false},
      {51, 60, 1, 1, true},
      {52, 105, 2, 2, false},
      {53, 45, 3, 3, true},
      {54, 45, 4, 4, false},
      {55, 45, 5, 5, false},
  }};
}

void loadColumns(ConfigStore& store, ColumnTable& columns) {
  for (std::size_t row = 0; row < kColumnCount; ++row) {
    char key[16];
    keyName(row, key);
    uint32_t numbers[2];
    if (getValueList(store, kSection, key, "2%d", numbers, 2) != 2) continue;
    const int width = static_cast<int32_t>(numbers[0]);
    if (width <= 0) continue;
    columns[row].width = width;
    columns[row].order = static_cast<int32_t>(numbers[1]);
  }
  ColumnRow& name = columns[0];
  if (name.order < 0) name.order = 0;
  if (name.width <= kNameMinimumStoredWidth) name.width = kNameRestoredWidth;

  // Slots must start at 0; a layout that has none there (say, a hand-edited file) is dropped
  // for the table order, which also shows every column again.
  for (int slot = 0;; ++slot) {
    bool found = false;
    for (const ColumnRow& column : columns) found = found || column.order == slot;
    if (found) continue;
    if (slot == 0)
      for (std::size_t row = 0; row < kColumnCount; ++row)
        columns[row].order = static_cast<int>(row);
    break;
  }
  assignDisplayIndices(columns);
}

void saveColumns(ConfigStore& store, const ColumnTable& columns) {
  for (std::size_t row = 0; row < kColumnCount; ++row) {
    char key[16];
    keyName(row, key);
    const uint32_t numbers[2] = {static_cast<uint32_t>(columns[row].width),
                                 static_cast<uint32_t>(columns[row].order)};
    putValueList(store, kSection, key, "2%ld", numbers, 2);
  }
}

void assignDisplayIndices(ColumnTable& columns) {
  int next = 0;
  for (ColumnRow& column : columns) column.displayIndex = column.order < 0 ? -1 : next++;
}

int columnOfSubItem(const ColumnTable& columns, int subItem) {
  for (std::size_t row = 0; row < kColumnCount; ++row)
    if (columns[row].displayIndex >= 0 && columns[row].displayIndex == subItem)
      return static_cast<int>(row);
  return -1;
}

std::size_t visibleColumnCount(const ColumnTable& columns) {
  std::size_t count = 0;
  for (const ColumnRow& column : columns) count += column.order >= 0 ? 1 : 0;
  return count;
}

void takeListColumns(ColumnTable& columns, const int* widths, const int* orderArray,
                     std::size_t visibleCount) {
  std::size_t subItem = 0;
  for (ColumnRow& column : columns) {
    if (column.order < 0) continue;
    if (subItem >= visibleCount) break;
    column.width = widths[subItem++];
  }
  for (std::size_t place = 0; place < visibleCount; ++place) {
    const int row = columnOfSubItem(columns, orderArray[place]);
    if (row >= 0) columns[static_cast<std::size_t>(row)].order = static_cast<int>(place);
  }
  assignDisplayIndices(columns);
}

std::vector<int> columnOrderArray(const ColumnTable& columns) {
  std::vector<const ColumnRow*> shown;
  for (const ColumnRow& column : columns)
    if (column.order >= 0) shown.push_back(&column);
  std::stable_sort(shown.begin(), shown.end(),
                   [](const ColumnRow* a, const ColumnRow* b) { return a->order < b->order; });
  std::vector<int> order;
  order.reserve(shown.size());
  for (const ColumnRow* column : shown) order.push_back(column->displayIndex);
  return order;
}

int remainingColumnWidth(const ColumnTable& columns, int parentWidth, int scrollBarWidth) {
  int used = 0;
  for (const ColumnRow& column : columns)
    if (column.width > 0) used += column.width;
  const int width = parentWidth - used - (scrollBarWidth + kBorderAllowance);
  return width < kMinimumRemainingWidth ? kMinimumRemainingWidth : width;
}

SortArrow sortArrowFor(SortMode mode) {
  switch (mode) {
    case SortMode::Name:
      return {static_cast<int>(Column::Name), false};
    case SortMode::Extension:
      return {static_cast<int>(Column::Name), true};
    case SortMode::Time:
      return {static_cast<int>(Column::Modified), true};
    case SortMode::Size:
      return {static_cast<int>(Column::Size), true};
    case SortMode::Attributes:
      return {static_cast<int>(Column::Attributes), true};
    case SortMode::Type:
      return {static_cast<int>(Column::Type), true};
    case SortMode::Path:
      return {static_cast<int>(Column::Path), true};
    case SortMode::Unsorted:
      break;
  }
  return {-1, false};
}

}  // namespace ostrya
