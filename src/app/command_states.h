// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace ostrya {

// What decides which commands are greyed.
struct CommandConditions {
  // The store has no rows (or no row table yet).
  bool listEmpty;
  // A selected row is an entry inside an archive, which file operations cannot reach.
  bool archiveEntrySelected;
  bool searching;
};

// The commands that are greyed and enabled as the list and the search change, each with its
// state now and as last given to the menu and the tool bar.
class CommandStates {
 public:
  static constexpr std::size_t kRows = 16;

  CommandStates();
  // Computes every row's state; calls `apply(command, greyed)` for each row whose state
  // differs from the one last applied, and remembers it.
  void update(const CommandConditions& conditions,
              const std::function<void(uint16_t command, bool greyed)>& apply);
  // A new menu starts with every item enabled: the next update re-applies what is greyed.
  void menuReplaced();
  // True for a command of the table that is greyed now; such a command is ignored.
  bool isGreyed(uint16_t command) const;

 private:
  struct Row {
    uint16_t command;
    bool greyed;
    bool applied;
  };
  Row rows_[kRows];
};

}  // namespace ostrya
