// portable: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "results/result_store.h"

namespace ostrya {

class ConfigStore;

// One column of the result list. `order` is its place among the columns shown, from the left
// (-1: hidden);
// `displayIndex` counts the visible columns before it in table order (-1: hidden) and is also
// its sub-item number in the list view.
struct ColumnRow {
  uint16_t titleId;
  int width;
  int order;
  int displayIndex;
  bool rightAligned;
};

// Name, Size, Modified, Attributes, Path, Type: the order of Column and of the keys Col0..Col5.
inline constexpr std::size_t kColumnCount = 6;
using ColumnTable = std::array<ColumnRow, kColumnCount>;

ColumnTable defaultColumns();

// Reads Col0..Col5 of the program's section over the defaults, then applies the rules that keep
// a stored layout usable: Name always shows and is wide enough, a set of slots without slot 0
// falls back to the table order.
void loadColumns(ConfigStore& store, ColumnTable& columns);
// Writes all six rows, hidden ones with slot -1.
void saveColumns(ConfigStore& store, const ColumnTable& columns);

// Display indices from the order slots: -1 for hidden rows, else the count of visible rows
// before each in table order.
void assignDisplayIndices(ColumnTable& columns);

// The row shown as sub-item `subItem`; -1 when none is.
int columnOfSubItem(const ColumnTable& columns, int subItem);

// How many columns show.
std::size_t visibleColumnCount(const ColumnTable& columns);

// What the list view reports after the user resized or dragged columns: per visible column in
// table order its width, and the list's order array (for each place from the left, the sub-item
// shown there). Takes both into the table.
void takeListColumns(ColumnTable& columns, const int* widths, const int* orderArray,
                     std::size_t visibleCount);

// The list's order array for the table: the sub-items of the visible columns by their places,
// table order among equal places, so that the gap a hidden column left closes up.
std::vector<int> columnOrderArray(const ColumnTable& columns);

// The width a column with a negative stored width gets: what is left of the list's parent
// after all positive widths and a vertical scroll bar, at least 50.
int remainingColumnWidth(const ColumnTable& columns, int parentWidth, int scrollBarWidth);

// The header item that carries the sort arrow, and whether the arrow stands right of the title:
// by name shows it left and by extension right, both on the Name column.
struct SortArrow {
  int row;  // -1: unsorted, no arrow
  bool onRight;
};
SortArrow sortArrowFor(SortMode mode);

}  // namespace ostrya
