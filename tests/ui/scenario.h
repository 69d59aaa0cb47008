// Win32 only: what the window program's scenarios share: the controls by their identifiers,
// settings files, and a small tree of files to find.
#pragma once

#include <cstdint>
#include <string>

#include "app/option_bits.h"
#include "app/panel_controls.h"
#include "program_driver.h"

namespace ostrya::uitest {

inline constexpr char kEnglish[] = "[Ostrya]\r\nLanguage=US\r\n";

// The panel's controls by the identifiers the program gives them.
constexpr int id(PanelIndex index) {
  return panelControlId(index);
}

// The options word of a first start (recurse folders), which the cases add to.
inline constexpr uint32_t kFirstStart = optionsAtStart(0);

// A settings file in English with the given options word.
inline std::string englishWithOptions(uint32_t options) {
  return "[Ostrya]\r\nLanguage=US\r\nOpt=" + std::to_string(options) + "\r\n";
}

// A folder with three text files (one in a subfolder) and one other file.
inline void makeTree(const ScratchFolder& scratch) {
  scratch.file("tree\\a.txt", "12345");
  scratch.file("tree\\b.txt", std::string(1234, 'b'));
  scratch.file("tree\\sub\\c.txt", "c");
  scratch.file("tree\\d.dat", "d");
}

inline std::string treeOf(const ScratchFolder& scratch) {
  return (scratch.path() / "tree").string();
}

// Searches the tree for its text files and sorts the rows by name: a.txt, b.txt, c.txt.
bool findTextFilesByName(RunningProgram& program, const ScratchFolder& scratch);

}  // namespace ostrya::uitest
