// portable: no platform headers.
#include "app/find_options.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace ostrya {
namespace {

struct SortName {
  std::string_view name;
  SortMode mode;
};

constexpr SortName kSortNames[] = {
    {"name", SortMode::Name}, {"ext", SortMode::Extension},     {"time", SortMode::Time},
    {"size", SortMode::Size}, {"attr", SortMode::Attributes},   {"type", SortMode::Type},
    {"path", SortMode::Path}, {"unsorted", SortMode::Unsorted},
};

bool parseSortMode(std::string_view name, SortMode& mode) {
  for (const SortName& row : kSortNames)
    if (row.name == name) {
      mode = row.mode;
      return true;
    }
  return false;
}

}  // namespace

const char* findUsage() {
  return "usage: ostrya-find [options] PATTERNS LOOKIN [TEXT]\n"
         "\n"
         "Finds files and folders whose names match PATTERNS in the folders of LOOKIN, as the\n"
         "search panel of Ostrya does; with TEXT, only the files that contain it.\n"
         "\n"
         "  PATTERNS  name patterns separated by ';' (\"*.h;*.txt\"); \"\" or \"*.*\" matches "
         "every\n"
         "            name. '*' stands for any run of characters, '?' for one; case is ignored.\n"
         "  LOOKIN    folders to look in, separated by ';'\n"
         "  TEXT      text to find inside the files, without regard to case, in its ANSI\n"
         "            (Windows-1252) and its OEM (DOS) form; folders are then not listed\n"
         "\n"
         "options:\n"
         "  --no-recurse    list only the given folders, not their subfolders\n"
         "  --sort=KEY      order the rows by name, ext, time, size, attr, type or path\n"
         "                  (unsorted, the order found, is the default)\n"
         "  --desc          descending order (folders still come first)\n"
         "  --paths         print only the full path of each row\n"
         "  --whole-word    TEXT must stand as a whole word\n"
         "  --case-sensitive  TEXT must match in case too\n"
         "  --regex         TEXT is a Perl-compatible regular expression, matched once against\n"
         "                  the whole file (so ^ and $ are its start and end, unless (?m))\n"
         "  --hex           TEXT is a byte string in hexadecimal (\"4D 5A\")\n"
         "  --help          show this text\n"
         "\n"
         "Each row shows the attribute letters (R read-only, A archive, H hidden, S system), the\n"
         "size or <DIR>, the date and time of the last change and the full path. The totals go to\n"
         "standard error. Ctrl+C stops the search; the rows found so far are printed.\n"
         "\n"
         "exit status: 0 something was found, 1 nothing was found, 2 usage error\n";
}

std::string parseFindOptions(int argc, const char* const* argv, FindOptions& out) {
  std::vector<const char*> operands;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
      operands.push_back(argv[i]);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help") {
      out.help = true;
    } else if (arg == "--no-recurse") {
      out.options &= ~static_cast<uint32_t>(kOptRecurse);
    } else if (arg == "--desc") {
      out.sortDirection = SortDirection::Descending;
    } else if (arg == "--paths") {
      out.pathsOnly = true;
    } else if (arg == "--whole-word") {
      out.options |= kOptWholeWord;
    } else if (arg == "--case-sensitive") {
      out.options |= kOptCaseSensitive;
    } else if (arg == "--regex") {
      out.options |= kOptRegex;
    } else if (arg == "--hex") {
      out.options |= kOptHex;
    } else if (arg.substr(0, 7) == "--sort=") {
      if (!parseSortMode(arg.substr(7), out.sortMode))
        return "unknown sort key '" + std::string(arg.substr(7)) +
               "' (name, ext, time, size, attr, type, path, unsorted)";
    } else {
      return "unknown option '" + std::string(arg) + "' (see --help)";
    }
  }
  if (out.help) return "";
  if (operands.size() < 2 || operands.size() > 3)
    return "expected PATTERNS, LOOKIN and maybe TEXT (see --help)";
  out.patterns = operands[0];
  out.lookIn = operands[1];
  if (operands.size() == 3) out.text = operands[2];
  if (out.patterns.size() >= kNamePatternsCapacity) return "PATTERNS is too long";
  if (out.lookIn.size() >= kLookInCapacity) return "LOOKIN is too long";
  if (out.text.size() >= kContainingTextCapacity) return "TEXT is too long";
  return "";
}

}  // namespace ostrya
