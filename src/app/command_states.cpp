// portable: no platform headers.
#include "app/command_states.h"

#include "app/command_ids.h"

namespace ostrya {
namespace {

// Why a command is greyed.
enum class Rule {
  // Acts on the files themselves: nothing to act on, or an archive entry among the selection.
  FileOperation,
  // Reads the list only.
  NeedsRows,
  NotWhileSearching,
  OnlyWhileSearching,
};

struct RuleRow {
  uint16_t command;
  Rule rule;
};

constexpr RuleRow kRules[CommandStates::kRows] = {
    {kCmdMakeShortcut, Rule::FileOperation},
    {kCmdRun, Rule::FileOperation},
    {kCmdEdit, Rule::FileOperation},
    {kCmdMove, Rule::FileOperation},
    {kCmdRename, Rule::FileOperation},
    {kCmdDelete, Rule::FileOperation},
    {kCmdRegister, Rule::FileOperation},
    {kCmdUnregister, Rule::FileOperation},
    {kCmdCopy, Rule::NeedsRows},
    {kCmdProperties, Rule::NeedsRows},
    {kCmdExportText, Rule::NeedsRows},
    {kCmdExportCsv, Rule::NeedsRows},
    {kCmdExportHtml, Rule::NeedsRows},
    {kCmdGoTo, Rule::NeedsRows},
    {kCmdSearch, Rule::NotWhileSearching},
    {kCmdStop, Rule::OnlyWhileSearching},
};

bool greyedBy(Rule rule, const CommandConditions& c) {
  switch (rule) {
    case Rule::FileOperation:
      return c.listEmpty || c.archiveEntrySelected;
    case Rule::NeedsRows:
      return c.listEmpty;
    case Rule::NotWhileSearching:
      return c.searching;
    case Rule::OnlyWhileSearching:
      return !c.searching;
  }
  return false;
}

}  // namespace

// Every command starts enabled, in the menu and on the tool bar alike.
CommandStates::CommandStates() {
  for (std::size_t i = 0; i < kRows; ++i) rows_[i] = {kRules[i].command, false, false};
}

void CommandStates::update(const CommandConditions& conditions,
                           const std::function<void(uint16_t command, bool greyed)>& apply) {
  for (std::size_t i = 0; i < kRows; ++i) {
    Row& row = rows_[i];
    row.greyed = greyedBy(kRules[i].rule, conditions);
    if (row.greyed == row.applied) continue;
    apply(row.command, row.greyed);
    row.applied = row.greyed;
  }
}

void CommandStates::menuReplaced() {
  for (Row& row : rows_) row.applied = false;
}

bool CommandStates::isGreyed(uint16_t command) const {
  for (const Row& row : rows_)
    if (row.command == command) return row.greyed;
  return false;
}

}  // namespace ostrya
