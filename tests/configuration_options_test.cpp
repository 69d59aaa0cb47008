#include "app/configuration_options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ostrya {
namespace {

constexpr uint32_t rgb(int red, int green, int blue) {
  return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 |
         static_cast<uint32_t>(blue) << 16;
}

TEST(ConfigurationOptions, EveryOptionBoxIsOnExactlyOnePage) {
  std::map<int, int> pagesOf;
  for (const ConfigurationPage& page : kConfigurationPages)
    for (uint16_t control : page.controls) ++pagesOf[control];
  for (const OptionBox& box : kOptionBoxes) EXPECT_EQ(pagesOf[box.control], 1) << box.control;
  for (std::size_t row = 0; row < kColumnCount; ++row)
    EXPECT_EQ(pagesOf[kFirstColumnBox + static_cast<int>(row)], 1) << row;
  for (const auto& [control, pages] : pagesOf) EXPECT_EQ(pages, 1) << control;
}

TEST(ConfigurationOptions, BoxesShowAndSetTheirBits) {
  struct Case {
    int control;
    uint32_t bit;
    bool inverted;
  } cases[] = {
      {5201, 0x400000, false}, {5202, 0x800000, false}, {5203, 0x4, true},
      {5204, 0x200000, false}, {70, 0x80, false},       {71, 0x20, false},
      {72, 0x40, false},       {77, 0x10000, false},    {78, 0x20000, false},
      {80, 0x100000, false},   {81, 0x40000, false},
  };
  ASSERT_EQ(std::size(cases), std::size(kOptionBoxes));
  uint32_t boxBits = 0;
  for (const Case& c : cases) boxBits |= c.bit;
  for (const Case& c : cases) {
    const OptionBox* box = nullptr;
    for (const OptionBox& candidate : kOptionBoxes)
      if (candidate.control == c.control) box = &candidate;
    ASSERT_NE(box, nullptr) << c.control;
    EXPECT_EQ(optionBoxChecked(c.bit, *box), !c.inverted) << c.control;
    EXPECT_EQ(optionBoxChecked(0, *box), c.inverted) << c.control;
    // Only this box checked, from a word with every bit set and from an empty one: the bits no
    // box shows stay as they were.
    const auto onlyThis = [&](int control) { return control == c.control; };
    const uint32_t fromAll = optionsFromBoxes(0xFFFFFFFFu, onlyThis);
    const uint32_t fromNone = optionsFromBoxes(0, onlyThis);
    EXPECT_EQ(fromAll, fromNone | ~boxBits) << c.control;
    EXPECT_EQ(fromNone & c.bit, c.inverted ? 0u : c.bit) << c.control;
    // The tray box is the one that sets its bit when unchecked.
    EXPECT_EQ(fromNone & ~c.bit, c.control == 5203 ? 0u : 0x4u) << c.control;
  }
}

TEST(ConfigurationOptions, BoxesReadBackTheWordTheyShow) {
  for (uint32_t options : {0u, 0x4u, 0x80u, 0x00E700A4u, 0xFFFFFFFFu, 0x12345678u}) {
    const uint32_t read = optionsFromBoxes(options, [options](int control) {
      for (const OptionBox& box : kOptionBoxes)
        if (box.control == control) return optionBoxChecked(options, box);
      return false;
    });
    EXPECT_EQ(read, options) << std::hex << options;
  }
}

ColumnTable withOrders(const std::array<int, kColumnCount>& orders) {
  ColumnTable columns = defaultColumns();
  for (std::size_t row = 0; row < kColumnCount; ++row) columns[row].order = orders[row];
  assignDisplayIndices(columns);
  return columns;
}

TEST(ConfigurationOptions, ColumnBoxesShowAndHideColumns) {
  using Orders = std::array<int, kColumnCount>;
  using Boxes = std::array<bool, kColumnCount>;
  struct Case {
    const char* what;
    Orders before;
    Boxes checked;
    int changes;
    Orders after;
    Orders displayIndices;
  } cases[] = {
      {"nothing changed",
       {0, 1, 2, 3, 4, 5},
       {1, 1, 1, 1, 1, 1},
       0,
       {0, 1, 2, 3, 4, 5},
       {0, 1, 2, 3, 4, 5}},
      {"Path hidden",
       {0, 1, 2, 3, 4, 5},
       {1, 1, 1, 1, 0, 1},
       1,
       {0, 1, 2, 3, -1, 5},
       {0, 1, 2, 3, -1, 4}},
      {"Name stays whatever its box says",
       {0, 1, 2, 3, 4, 5},
       {0, 1, 1, 1, 1, 1},
       0,
       {0, 1, 2, 3, 4, 5},
       {0, 1, 2, 3, 4, 5}},
      {"a column shown again goes behind the visible ones",
       {2, 0, -1, 1, 3, 4},
       {1, 1, 1, 1, 1, 1},
       1,
       {2, 0, 5, 1, 3, 4},
       {0, 1, 2, 3, 4, 5}},
      {"two shown: in table order",
       {0, -1, 1, 2, 3, -1},
       {1, 1, 1, 1, 1, 1},
       2,
       {0, 4, 1, 2, 3, 5},
       {0, 1, 2, 3, 4, 5}},
      {"one shown, one hidden: the count of visible columns only grows",
       {0, -1, 1, 2, 3, 4},
       {1, 1, 0, 1, 1, 1},
       2,
       {0, 5, -1, 2, 3, 4},
       {0, 1, -1, 2, 3, 4}},
      {"all but Name hidden",
       {0, 1, 2, 3, 4, 5},
       {1, 0, 0, 0, 0, 0},
       5,
       {0, -1, -1, -1, -1, -1},
       {0, -1, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    ColumnTable columns = withOrders(c.before);
    for (std::size_t row = 0; row < kColumnCount; ++row)
      EXPECT_EQ(columnBoxChecked(columns, row), row == 0 || c.before[row] >= 0) << c.what;
    EXPECT_EQ(applyColumnBoxes(columns, c.checked), c.changes) << c.what;
    for (std::size_t row = 0; row < kColumnCount; ++row) {
      EXPECT_EQ(columns[row].order, c.after[row]) << c.what << " row " << row;
      EXPECT_EQ(columns[row].displayIndex, c.displayIndices[row]) << c.what << " row " << row;
    }
  }
}

TEST(ConfigurationOptions, NameBoxStartsCheckedEvenWithABrokenSlot) {
  EXPECT_TRUE(columnBoxChecked(withOrders({-1, 0, 1, 2, 3, 4}), 0));
}

TEST(ConfigurationOptions, TitleBarBands) {
  struct Sample {
    int band;
    TitleBand expected;
  };
  struct Case {
    const char* what;
    uint32_t caption;
    uint32_t face;
    int width;
    std::size_t count;
    std::vector<Sample> samples;
  } cases[] = {
      {"no width, no bands", rgb(0, 0, 0), rgb(255, 255, 255), 0, 0, {}},
      {"100 shades of red over 400 pixels: bands of 4, the last 8 pixels in the face colour",
       rgb(100, 0, 0),
       rgb(200, 0, 0),
       400,
       99,
       {{0, {0, 4, rgb(100, 0, 0)}},
        {1, {4, 4, rgb(101, 0, 0)}},
        {50, {200, 4, rgb(150, 0, 0)}},
        {97, {388, 4, rgb(197, 0, 0)}},
        {98, {392, 8, rgb(200, 0, 0)}}}},
      {"every component on its own, a face darker than the caption",
       rgb(200, 10, 250),
       rgb(100, 110, 50),
       100,
       99,
       {{50, {50, 1, rgb(150, 60, 150)}},
        {97, {97, 1, rgb(103, 107, 56)}},
        {98, {98, 2, rgb(100, 110, 50)}}}},
      {"equal reds: one band of the caption colour",
       rgb(128, 0, 0),
       rgb(128, 255, 255),
       50,
       1,
       {{0, {0, 50, rgb(128, 0, 0)}}}},
      {"narrower than the band count: bands of 1",
       rgb(0, 0, 0),
       rgb(200, 200, 200),
       3,
       2,
       {{0, {0, 1, rgb(0, 0, 0)}}, {1, {1, 2, rgb(200, 200, 200)}}}},
  };
  for (const Case& c : cases) {
    const std::vector<TitleBand> bands = titleBarBands(c.caption, c.face, c.width);
    ASSERT_EQ(bands.size(), c.count) << c.what;
    // The bands fill the bar from edge to edge without a gap.
    int x = 0;
    for (const TitleBand& band : bands) {
      EXPECT_EQ(band.x, x) << c.what;
      EXPECT_GT(band.width, 0) << c.what;
      x += band.width;
    }
    if (!bands.empty()) {
      EXPECT_EQ(x, c.width) << c.what;
    }
    for (const Sample& sample : c.samples) {
      const TitleBand& band = bands[static_cast<std::size_t>(sample.band)];
      EXPECT_EQ(band.x, sample.expected.x) << c.what << " band " << sample.band;
      EXPECT_EQ(band.width, sample.expected.width) << c.what << " band " << sample.band;
      EXPECT_EQ(band.colour, sample.expected.colour)
          << c.what << " band " << sample.band << std::hex << " " << band.colour;
    }
  }
}

}  // namespace
}  // namespace ostrya
