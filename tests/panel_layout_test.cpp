#include "app/panel_layout.h"

#include <gtest/gtest.h>

namespace ostrya {
namespace {

// A window 800 wide below a 28-pixel tool bar, with the 13-pixel combo item height of an
// 8-point font at 96 DPI: R = 15, B = 19, Bh = 21, L = 90, F = 638, S = 22.
constexpr PanelBand kBand{28, 800, 500};

TEST(PanelLayout, FieldsButtonsAndLabels) {
  const PanelLayout layout = layoutPanel(kBand, 13, false, false);
  struct Case {
    int index;
    Rect rect;
  } cases[] = {
      {kPanelSearchForLabel, {15, 38, 90, 15}},
      {kPanelNamePatterns, {105, 35, 638, 120}},
      {kPanelLookInLabel, {15, 64, 90, 15}},
      {kPanelLookIn, {105, 61, 638, 120}},
      {kPanelBrowse, {745, 61, 19, 21}},
      {kPanelDrives, {766, 61, 19, 21}},
      {kPanelContainingLabel, {15, 90, 90, 15}},
      {kPanelContainingText, {105, 87, 638, 21}},
      {kPanelHex, {745, 89, 53, 21}},
      {kPanelOptionsButton, {15, 116, 770, 15}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(layout.placed[c.index]) << c.index;
    EXPECT_EQ(layout.controls[c.index], c.rect) << panelControlId(c.index);
  }
  // The combo form of the containing text is as tall as its open list.
  EXPECT_EQ(layoutPanel(kBand, 13, false, true).controls[kPanelContainingText].height, 120);
}

TEST(PanelLayout, OptionsAreaExpandedAndCollapsed) {
  const PanelLayout open = layoutPanel(kBand, 13, true, false);
  struct Case {
    int index;
    Rect rect;
  } cases[] = {
      {kPanelRecurse, {15, 142, 379, 15}},       {kPanelWholeWord, {15, 164, 379, 15}},
      {kPanelCaseSensitive, {15, 186, 379, 15}}, {kPanelKeepText, {408, 142, 379, 15}},
      {kPanelWithFilter, {408, 164, 354, 15}},   {kPanelFilterButton, {766, 160, 19, 21}},
      {kPanelArchives, {408, 186, 354, 15}},     {kPanelRegex, {408, 208, 354, 15}},
  };
  for (const Case& c : cases) EXPECT_EQ(open.controls[c.index], c.rect) << panelControlId(c.index);
  EXPECT_EQ(open.panelHeight, 206);
  EXPECT_EQ(open.controls[kPanelResultList], (Rect{0, 234, 800, 294}));
  EXPECT_EQ(open.minimumTrackWidth, 210);
  EXPECT_EQ(open.minimumTrackHeight, 28 + 206 + 117 + 2);

  const PanelLayout shut = layoutPanel(kBand, 13, false, false);
  for (const Case& c : cases) {
    EXPECT_TRUE(shut.placed[c.index]);
    EXPECT_EQ(shut.controls[c.index], (Rect{0, 0, 0, 0})) << panelControlId(c.index);
  }
  EXPECT_EQ(shut.panelHeight, 111);
  EXPECT_EQ(shut.controls[kPanelResultList], (Rect{0, 139, 800, 389}));
}

TEST(PanelLayout, EdgeCases) {
  // The never-shown controls are left where they are.
  const PanelLayout layout = layoutPanel(kBand, 13, true, false);
  for (int index : {kPanelUnusedLabel, kPanelUnused1, kPanelUnused2, kPanelUnused3})
    EXPECT_FALSE(layout.placed[index]);
  // A combo box that reports no item height counts as 14 high.
  EXPECT_EQ(layoutPanel(kBand, 0, false, false).panelHeight, 7 * 14 + 20);
  // In a very narrow window the fields get a negative width and are moved all the same; the
  // minimum tracking width keeps the user from getting there by dragging.
  const PanelLayout narrow = layoutPanel({0, 100, 300}, 13, false, false);
  EXPECT_EQ(narrow.controls[kPanelNamePatterns].width, 100 - 130 - 32);
  EXPECT_EQ(narrow.minimumTrackWidth, 14 * 15);
  // No room below the panel: the list gets a negative height rather than covering the panel.
  EXPECT_EQ(layoutPanel({0, 800, 50}, 13, false, false).controls[kPanelResultList].height, -61);
}

TEST(StatusLayout, PartsAndProgress) {
  struct Case {
    int width;
    int height;
    StatusLayout layout;
  } cases[] = {
      {800, 20, {{381, 762, -1}, {435, 4, 325, 14}}},
      {38, 20, {{0, 0, -1}, {54, 4, -56, 14}}},
      {1039, 24, {{500, 1000, -1}, {554, 4, 444, 18}}},
  };
  for (const Case& c : cases) {
    const StatusLayout got = layoutStatusBar(c.width, c.height);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(got.edges[i], c.layout.edges[i]) << c.width;
    EXPECT_EQ(got.progress, c.layout.progress) << c.width;
  }
}

}  // namespace
}  // namespace ostrya
