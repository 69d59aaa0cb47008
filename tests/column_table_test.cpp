#include "app/column_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/config_store.h"
#include "test_tree.h"

namespace ostrya {
namespace {

struct Expected {
  int width;
  int order;
  int displayIndex;
};

// The layout loaded from a configuration file with the given text.
ColumnTable loadedFrom(const std::string& text) {
  testing::TempTree tree;
  tree.file("c.ini", text);
  ConfigStore store(tree.native("c.ini").c_str());
  ColumnTable columns = defaultColumns();
  loadColumns(store, columns);
  return columns;
}

void expectColumns(const ColumnTable& columns, const std::vector<Expected>& expected,
                   const std::string& what) {
  for (std::size_t row = 0; row < kColumnCount; ++row) {
    EXPECT_EQ(columns[row].width, expected[row].width) << what << " row " << row;
    EXPECT_EQ(columns[row].order, expected[row].order) << what << " row " << row;
    EXPECT_EQ(columns[row].displayIndex, expected[row].displayIndex) << what << " row " << row;
  }
}

TEST(ColumnTable, LoadingStoredLayouts) {
  const std::vector<Expected> defaults = {{150, 0, 0}, {60, 1, 1}, {105, 2, 2},
                                          {45, 3, 3},  {45, 4, 4}, {45, 5, 5}};
  struct Case {
    const char* what;
    const char* text;
    std::vector<Expected> columns;
  } cases[] = {
      {"no file", "", defaults},
      {"widths and order",
       "[Ostrya]\r\nCol0=200,1\r\nCol1=70,0\r\nCol2=99,2\r\nCol3=40,3\r\nCol4=300,4\r\n"
       "Col5=80,5\r\n",
       {{200, 1, 0}, {70, 0, 1}, {99, 2, 2}, {40, 3, 3}, {300, 4, 4}, {80, 5, 5}}},
      {"a hidden column has no display index and moves the later ones up",
       "[Ostrya]\r\nCol3=45,-1\r\n",
       {{150, 0, 0}, {60, 1, 1}, {105, 2, 2}, {45, -1, -1}, {45, 4, 3}, {45, 5, 4}}},
      {"Name is never hidden nor narrower than 11",
       "[Ostrya]\r\nCol0=10,-1\r\n",
       {{100, 0, 0}, {60, 1, 1}, {105, 2, 2}, {45, 3, 3}, {45, 4, 4}, {45, 5, 5}}},
      {"unreadable values and widths of 0 keep the defaults",
       "[Ostrya]\r\nCol1=wide\r\nCol2=0,4\r\nCol4=-20,1\r\nCol5=7\r\n", defaults},
      {"no slot 0: back to the table order, every column shown",
       "[Ostrya]\r\nCol0=150,1\r\nCol1=60,2\r\nCol2=105,3\r\nCol3=45,-1\r\nCol4=45,4\r\n"
       "Col5=45,5\r\n",
       defaults},
      {"a gap after slot 0 is kept",
       "[Ostrya]\r\nCol1=60,7\r\n",
       {{150, 0, 0}, {60, 7, 1}, {105, 2, 2}, {45, 3, 3}, {45, 4, 4}, {45, 5, 5}}},
      {"keys of another section do not count", "[Other]\r\nCol0=300,0\r\n", defaults},
  };
  for (const Case& c : cases) expectColumns(loadedFrom(c.text), c.columns, c.what);
}

TEST(ColumnTable, SavedLayoutReadsBack) {
  testing::TempTree tree;
  const std::string name = tree.native("c.ini");
  ColumnTable columns = defaultColumns();
  columns[1].width = 77;
  columns[4].order = -1;
  assignDisplayIndices(columns);
  {
    ConfigStore store(name.c_str());
    saveColumns(store, columns);
    EXPECT_EQ(store.getText("Ostrya", "Col4"), "45,-1");
    EXPECT_EQ(store.getText("Ostrya", "Col1"), "77,1");
  }
  ConfigStore again(name.c_str());
  ColumnTable back = defaultColumns();
  loadColumns(again, back);
  expectColumns(back, {{150, 0, 0}, {77, 1, 1}, {105, 2, 2}, {45, 3, 3}, {45, -1, -1}, {45, 5, 4}},
                "round trip");
}

TEST(ColumnTable, SubItemsAndWhatTheListReports) {
  ColumnTable columns = defaultColumns();
  columns[2].order = -1;
  assignDisplayIndices(columns);
  EXPECT_EQ(visibleColumnCount(columns), 5u);
  const int rowOfSubItem[] = {0, 1, 3, 4, 5, -1};
  for (int subItem = 0; subItem < 6; ++subItem)
    EXPECT_EQ(columnOfSubItem(columns, subItem), rowOfSubItem[subItem]) << subItem;
  EXPECT_EQ(columnOfSubItem(columns, -1), -1);

  // The list shows the visible columns in table order; the gap Modified left closes up.
  EXPECT_EQ(columnOrderArray(columns), (std::vector<int>{0, 1, 2, 3, 4}));

  // The user dragged Type (sub-item 4) to the front and widened Name: each column takes the
  // place the list reports for it, and the list gets the same order back.
  const int widths[] = {180, 60, 45, 45, 50};
  const int order[] = {4, 0, 1, 2, 3};
  takeListColumns(columns, widths, order, 5);
  expectColumns(columns,
                {{180, 1, 0}, {60, 2, 1}, {105, -1, -1}, {45, 3, 2}, {45, 4, 3}, {50, 0, 4}},
                "taken from the list");
  EXPECT_EQ(columnOrderArray(columns), (std::vector<int>{4, 0, 1, 2, 3}));

  // A column shown again after the others goes last; a rotation of three reads back as such.
  columns[2].order = 5;
  assignDisplayIndices(columns);
  EXPECT_EQ(columnOrderArray(columns), (std::vector<int>{5, 0, 1, 3, 4, 2}));
  const int rotated[] = {1, 2, 0};
  ColumnTable three = defaultColumns();
  for (std::size_t row = 3; row < kColumnCount; ++row) three[row].order = -1;
  assignDisplayIndices(three);
  const int threeWidths[] = {150, 60, 105};
  takeListColumns(three, threeWidths, rotated, 3);
  EXPECT_EQ(columnOrderArray(three), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(three[0].order, 2);
}

TEST(ColumnTable, RemainingWidthAndSortArrows) {
  ColumnTable columns = defaultColumns();
  columns[4].width = -1;
  // 800 less the other columns (405) less a 17-pixel scroll bar and 4 pixels of border.
  EXPECT_EQ(remainingColumnWidth(columns, 800, 17), 374);
  EXPECT_EQ(remainingColumnWidth(columns, 300, 17), 50);

  struct Case {
    SortMode mode;
    int row;
    bool onRight;
  } cases[] = {
      {SortMode::Name, 0, false}, {SortMode::Extension, 0, true},  {SortMode::Time, 2, true},
      {SortMode::Size, 1, true},  {SortMode::Attributes, 3, true}, {SortMode::Type, 5, true},
      {SortMode::Path, 4, true},  {SortMode::Unsorted, -1, false},
  };
  for (const Case& c : cases) {
    const SortArrow arrow = sortArrowFor(c.mode);
    EXPECT_EQ(arrow.row, c.row) << static_cast<int>(c.mode);
    EXPECT_EQ(arrow.onRight, c.onRight) << static_cast<int>(c.mode);
  }
}

}  // namespace
}  // namespace ostrya
