#include "app/keyboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/history_use.h"
#include "app/panel_controls.h"

namespace ostrya {
namespace {

TEST(FocusRing, TabAndShiftTab) {
  // Five places: the third is hidden, the last is empty.
  const bool present[] = {true, true, true, true, false};
  const bool visible[] = {true, true, false, true, false};
  struct Case {
    int current;
    bool backwards;
    int next;
  } cases[] = {
      {0, false, 1},  {1, false, 3},  // the hidden control is skipped
      {3, false, 0},                  // past the last control: back to the start
      {-1, false, 0}, {-1, true, 0},  // focus outside the ring: the first entry
      {3, true, 1},   {0, true, 3},   // back from the first: the last control
      {7, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(nextFocusPosition(present, visible, 5, c.current, c.backwards), c.next)
        << c.current << (c.backwards ? " back" : " forward");
  // A ring with one visible control keeps the focus where it is.
  const bool one[] = {true, true};
  const bool shown[] = {true, false};
  EXPECT_EQ(nextFocusPosition(one, shown, 2, 0, false), 0);
  EXPECT_EQ(nextFocusPosition(one, shown, 0, 0, false), -1);
}

TEST(Keys, EnterAndEscape) {
  struct EnterCase {
    EnterContext context;
    EnterAction action;
  } enters[] = {
      {{true, true, true}, EnterAction::FocusList},
      {{false, true, true}, EnterAction::RunSelection},
      {{false, true, false}, EnterAction::StartSearch},  // Enter in a panel field
      {{false, false, true}, EnterAction::StartSearch},  // an empty list searches
  };
  for (const EnterCase& c : enters) EXPECT_EQ(enterAction(c.context), c.action);

  struct EscapeCase {
    EscapeContext context;
    EscapeAction action;
  } escapes[] = {
      {{true, true, true}, EscapeAction::CloseDropDown},
      {{false, true, true}, EscapeAction::StopSearch},
      {{false, false, true}, EscapeAction::CancelEdit},
      {{false, false, false}, EscapeAction::Exit},
  };
  for (const EscapeCase& c : escapes) EXPECT_EQ(escapeAction(c.context), c.action);
}

TEST(PanelControls, CheckBoxesSetAndClearTheirBitsOnly) {
  const uint32_t others = 0x1 | 0x10 | 0x200 | 0x800000;
  const uint32_t all = optionsFromCheckBoxes(others, [](int) { return true; });
  EXPECT_EQ(all, others | 0x80000 | 0x10000 | 0x80 | 0x20 | 0x40 | 0x20000 | 0x100000 | 0x40000);
  EXPECT_EQ(optionsFromCheckBoxes(all, [](int) { return false; }), others);
  EXPECT_EQ(optionsFromCheckBoxes(0, [](int index) { return index == kPanelHex; }), kOptHex);

  // Identifiers follow the table; the ring holds the 19 tab stops.
  int tabStops = 0;
  for (int index = 0; index < kPanelControlCount; ++index)
    tabStops += panelControlSpec(index).tabStop ? 1 : 0;
  EXPECT_EQ(tabStops, static_cast<int>(kFocusRingCapacity));
  EXPECT_EQ(panelControlId(kPanelResultList), 82);
  EXPECT_EQ(panelIndexOfId(65), kPanelContainingText);
}

// A combo box's list as a vector; find is exact, as the tests need no case folding.
class FakeHistory final : public HistoryEditor {
 public:
  explicit FakeHistory(std::vector<std::string> entries) : entries(std::move(entries)) {}
  int find(const char* text) const override {
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i] == text) return static_cast<int>(i);
    return -1;
  }
  void remove(int position) override { entries.erase(entries.begin() + position); }
  void insertAtTop(const char* text) override { entries.insert(entries.begin(), text); }
  void selectTop() override { selected = 0; }
  std::vector<std::string> entries;
  int selected = -1;
};

TEST(HistoryUse, UsedEntriesMoveToTheTopOnce) {
  struct Case {
    std::vector<std::string> before;
    const char* used;
    std::vector<std::string> after;
    int selected;
  } cases[] = {
      {{"a", "b", "c"}, "c", {"c", "a", "b"}, 0}, {{"a", "b", "c"}, "a", {"a", "b", "c"}, 0},
      {{"a", "b"}, "new", {"new", "a", "b"}, 0},  {{}, "first", {"first"}, 0},
      {{"a", "b"}, "", {"a", "b"}, -1},  // an empty text is not kept, nothing is selected
  };
  for (const Case& c : cases) {
    FakeHistory history(c.before);
    useHistoryEntry(history, c.used);
    EXPECT_EQ(history.entries, c.after) << c.used;
    EXPECT_EQ(history.selected, c.selected) << c.used;
  }
}

}  // namespace
}  // namespace ostrya
