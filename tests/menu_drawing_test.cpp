#include <gtest/gtest.h>

#include "foundation/menu_colours.h"
#include "foundation/menu_metrics.h"

namespace ostrya {
namespace {

TEST(MenuColours, HlsOfKnownColours) {
  struct Case {
    Rgb colour;
    Hls hls;
  } cases[] = {
      {rgb(0, 0, 0), 0x000000},       {rgb(255, 255, 255), 0x00FF00},
      {rgb(255, 0, 0), 0xFF7FFF},  // red comes out at 360 degrees
      {rgb(0, 255, 0), 0xFF7F55},     {rgb(0, 0, 255), 0xFF7FAA},
      {rgb(128, 128, 128), 0x008000}, {rgb(212, 208, 200), 0x1FCE1C},  // the classic button face
  };
  for (const Case& c : cases) EXPECT_EQ(rgbToHls(c.colour), c.hls) << std::hex << c.colour;
}

TEST(MenuColours, RoundTripStaysClose) {
  for (Rgb c : {rgb(212, 208, 200), rgb(10, 36, 106), rgb(255, 128, 0), rgb(51, 153, 255)}) {
    const Rgb back = hlsToRgb(rgbToHls(c));
    for (int shift : {0, 8, 16})
      EXPECT_NEAR(static_cast<int>((back >> shift) & 0xFF), static_cast<int>((c >> shift) & 0xFF),
                  3)
          << std::hex << c;
  }
  EXPECT_EQ(hlsToRgb(0x008000), rgb(128, 128, 128));  // no saturation: grey
}

TEST(MenuColours, TintMovesLightnessAndSaturationTowardsTheirEnds) {
  EXPECT_EQ(tint(rgb(128, 128, 128), 100, 0), rgb(255, 255, 255));
  EXPECT_EQ(tint(rgb(128, 128, 128), -100, 0), rgb(0, 0, 0));
  EXPECT_EQ(tint(rgb(128, 128, 128), 0, 0), rgb(128, 128, 128));
  // Lighter keeps the hue: a tinted blue highlight is a pale blue.
  const Rgb pale = tint(rgb(10, 36, 106), 70, -57);
  EXPECT_GT(pale & 0xFF, 150u);
  EXPECT_GT((pale >> 16) & 0xFF, (pale & 0xFF));
  const Rgb darker = tint(rgb(212, 208, 200), -18, 0);
  EXPECT_LT(darker & 0xFF, 212u);
}

TEST(MenuMetrics, HeightsWidthsAndMeasureWords) {
  EXPECT_EQ(menuItemHeight(10), 20);
  EXPECT_EQ(menuItemHeight(18), 24);
  EXPECT_EQ(menuItemHeight(4), 20);
  EXPECT_EQ(menuSeparatorHeight(13), 8);

  const uint32_t item = popupMeasure(20, 40, 120);
  EXPECT_TRUE(isPopupMeasure(item));
  EXPECT_EQ(menuItemSize(item).width, 202);
  EXPECT_EQ(menuItemSize(item).height, 20);
  // A shortcut wider than 255 pixels counts modulo 256; the label column keeps its full width.
  const uint32_t wide = popupMeasure(20, 300, 120);
  EXPECT_EQ(menuItemSize(wide).width, 120 + 44 + 42);
  EXPECT_EQ(measureLabelWidth(wide), 120);

  const uint32_t bar = menuBarMeasure(37);
  EXPECT_FALSE(isPopupMeasure(bar));
  EXPECT_EQ(menuItemSize(bar).width, 41);
}

TEST(MenuMetrics, TextsAndMnemonics) {
  const MenuText copy = splitMenuText("&Copy...\tF5");
  EXPECT_EQ(copy.label, "&Copy...");
  EXPECT_EQ(copy.shortcut, "F5");
  EXPECT_EQ(splitMenuText("E&xit").shortcut, "");
  EXPECT_EQ(menuMnemonic("E&xit"), 'X');
  EXPECT_EQ(menuMnemonic("&File"), 'F');
  EXPECT_EQ(menuMnemonic("No mnemonic"), 0);
  EXPECT_EQ(menuMnemonic("Trailing&"), 0);
  EXPECT_EQ(menuMnemonic("&1 Recent"), '1');
  EXPECT_EQ(menuMnemonic("Aus&f\xfchren"), 'F');
}

}  // namespace
}  // namespace ostrya
