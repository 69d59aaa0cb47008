// portable: no platform headers.
#include "app/configuration_options.h"

#include <algorithm>
#include <cstdlib>

namespace ostrya {
namespace {

constexpr int kRedShift = 0;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;

int component(uint32_t colour, int shift) {
  return static_cast<int>((colour >> shift) & 0xFF);
}

// The colour at `x` of a straight run from `from` at 0 to `to` at `width`.
uint32_t colourAt(uint32_t from, uint32_t to, int x, int width) {
  uint32_t colour = 0;
  for (int shift : {kRedShift, kGreenShift, kBlueShift}) {
    const int start = component(from, shift);
    const int value = start + x * (component(to, shift) - start) / width;
    colour |= static_cast<uint32_t>(value) << shift;
  }
  return colour;
}

}  // namespace

bool optionBoxChecked(uint32_t options, const OptionBox& box) {
  return ((options & box.bit) != 0) != box.inverted;
}

uint32_t optionsFromBoxes(uint32_t options, const std::function<bool(int control)>& checked) {
  for (const OptionBox& box : kOptionBoxes)
    options = withOption(options, box.bit, checked(box.control) != box.inverted);
  return options;
}

bool columnBoxChecked(const ColumnTable& columns, std::size_t row) {
  return row == static_cast<std::size_t>(Column::Name) || columns[row].order >= 0;
}

int applyColumnBoxes(ColumnTable& columns, const std::array<bool, kColumnCount>& checked) {
  // A column shown again goes behind every column that shows now; hiding one leaves the other
  // slots as they are, and the list closes the gap when it is made anew.
  int visible = static_cast<int>(visibleColumnCount(columns));
  int changes = 0;
  for (std::size_t row = static_cast<std::size_t>(Column::Name) + 1; row < kColumnCount; ++row) {
    ColumnRow& column = columns[row];
    const bool shown = column.order >= 0;
    if (checked[row] && !shown) {
      column.order = visible++;
      ++changes;
    } else if (!checked[row] && shown) {
      column.order = -1;
      ++changes;
    }
  }
  assignDisplayIndices(columns);
  return changes;
}

std::vector<TitleBand> titleBarBands(uint32_t caption, uint32_t face, int width) {
  std::vector<TitleBand> bands;
  if (width <= 0) return bands;
  // One band per step of red, so that neighbouring bands differ by about one shade; two equal
  // reds make one band.
  const int count =
      std::max(1, std::abs(component(face, kRedShift) - component(caption, kRedShift)));
  const int bandWidth = std::max(1, width / count);
  int x = 0;
  do {
    bands.push_back({x, std::min(bandWidth, width - x), colourAt(caption, face, x, width)});
    x += bandWidth;
  } while (x + bandWidth < width - bandWidth);
  if (x < width) bands.push_back({x, width - x, face});
  return bands;
}

}  // namespace ostrya
