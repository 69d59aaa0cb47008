#include "app/command_states.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace ostrya {
namespace {

const std::vector<uint16_t> kFileOperations = {102, 103, 105, 107, 108, 109, 134, 135};
const std::vector<uint16_t> kListReaders = {106, 110, 112, 113, 114, 136};

TEST(CommandStates, WhatIsGreyedWhen) {
  struct Case {
    const char* what;
    CommandConditions conditions;
    bool fileOperations;
    bool listReaders;
    bool search;
    bool stop;
  } cases[] = {
      {"empty list, idle", {true, false, false}, true, true, false, true},
      {"rows, idle", {false, false, false}, false, false, false, true},
      {"rows, an archive entry selected", {false, true, false}, true, false, false, true},
      {"searching into an empty list", {true, false, true}, true, true, true, false},
      {"searching with rows", {false, false, true}, false, false, true, false},
  };
  for (const Case& c : cases) {
    CommandStates states;
    states.update(c.conditions, [](uint16_t, bool) {});
    for (uint16_t command : kFileOperations)
      EXPECT_EQ(states.isGreyed(command), c.fileOperations) << c.what << " " << command;
    for (uint16_t command : kListReaders)
      EXPECT_EQ(states.isGreyed(command), c.listReaders) << c.what << " " << command;
    EXPECT_EQ(states.isGreyed(131), c.search) << c.what;
    EXPECT_EQ(states.isGreyed(133), c.stop) << c.what;
    // Commands outside the table are never greyed by it.
    EXPECT_FALSE(states.isGreyed(101)) << c.what;
    EXPECT_FALSE(states.isGreyed(125)) << c.what;
  }
}

TEST(CommandStates, OnlyChangesReachTheMenuAndToolBar) {
  CommandStates states;
  std::map<uint16_t, bool> applied;
  int calls = 0;
  auto apply = [&](uint16_t command, bool greyed) {
    applied[command] = greyed;
    ++calls;
  };
  // Everything starts enabled: an empty idle window greys all but Search.
  states.update({true, false, false}, apply);
  EXPECT_EQ(calls, 15);
  EXPECT_EQ(applied.count(131), 0u);
  calls = 0;
  states.update({true, false, false}, apply);
  EXPECT_EQ(calls, 0);
  // A search starts: Search greys, Stop enables.
  states.update({true, false, true}, apply);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(applied[131]);
  EXPECT_FALSE(applied[133]);
  // A new menu comes up all enabled; what is greyed is given again, nothing else.
  calls = 0;
  states.menuReplaced();
  states.update({true, false, true}, apply);
  EXPECT_EQ(calls, 15);
}

}  // namespace
}  // namespace ostrya
