// portable: no platform headers.
#include "app/find_options.h"

#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "foundation/date_time_text.h"

namespace ostrya {
namespace {

template <typename T>
struct Named {
  std::string_view name;
  T value;
};

constexpr Named<SortMode> kSortNames[] = {
    {"name", SortMode::Name}, {"ext", SortMode::Extension},     {"time", SortMode::Time},
    {"size", SortMode::Size}, {"attr", SortMode::Attributes},   {"type", SortMode::Type},
    {"path", SortMode::Path}, {"unsorted", SortMode::Unsorted},
};

constexpr Named<ExportFormat> kFormatNames[] = {
    {"text", ExportFormat::Text}, {"csv", ExportFormat::Csv}, {"html", ExportFormat::Html}};

constexpr Named<uint16_t> kAttributeLetters[] = {
    {"R", 0x1}, {"H", 0x2}, {"S", 0x4}, {"D", 0x10}, {"A", 0x20}};

template <typename T, std::size_t N>
bool lookUp(const Named<T> (&table)[N], std::string_view name, T& value) {
  for (const Named<T>& row : table)
    if (row.name == name) {
      value = row.value;
      return true;
    }
  return false;
}

bool parseSize(std::string_view text, uint64_t& size) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t next = value * 10 + static_cast<uint64_t>(c - '0');
    if (next / 10 != value) return false;
    value = next;
  }
  size = value;
  return true;
}

bool parseAttributes(std::string_view letters, uint16_t& attributes) {
  attributes = 0;
  for (char c : letters) {
    uint16_t bit = 0;
    const char upper[2] = {static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c), '\0'};
    if (!lookUp(kAttributeLetters, upper, bit)) return false;
    attributes = static_cast<uint16_t>(attributes | bit);
  }
  return true;
}

// Reads the arguments one by one; an option's value is "--name=VALUE" or the next argument.
class ArgumentReader {
 public:
  ArgumentReader(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}
  bool done() const { return at_ >= argc_; }
  std::string_view next() { return argv_[at_++]; }
  std::string_view peek() const { return done() ? std::string_view() : argv_[at_]; }
  bool value(std::string_view argument, std::string_view name, std::string_view& out) {
    if (argument == name) {
      if (done()) return false;
      out = next();
      return true;
    }
    out = argument.substr(name.size() + 1);
    return true;
  }

 private:
  int argc_;
  const char* const* argv_;
  int at_ = 0;
};

// "--name" or "--name=..." for an option that takes a value.
bool isValueOption(std::string_view argument, std::string_view name) {
  return argument == name ||
         (argument.size() > name.size() && argument.substr(0, name.size()) == name &&
          argument[name.size()] == '=');
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
         "  --no-recurse      list only the given folders, not their subfolders\n"
         "  --sort=KEY        order the rows by name, ext, time, size, attr, type or path\n"
         "                    (unsorted, the order found, is the default)\n"
         "  --desc            descending order (folders still come first)\n"
         "  --paths           print only the full path of each row\n"
         "  --whole-word      TEXT must stand as a whole word\n"
         "  --case-sensitive  TEXT must match in case too\n"
         "  --regex           TEXT is a Perl-compatible regular expression, matched once against\n"
         "                    the whole file (so ^ and $ are its start and end, unless (?m))\n"
         "  --hex             TEXT is a byte string in hexadecimal (\"4D 5A\")\n"
         "  --archives        look inside archives too (ZIP, RAR, cabinet, ARC, ARJ, LHA,\n"
         "                    ZOO, ACE, tar, cpio, ISO, floppy images, gzip, bzip2, RPM);\n"
         "                    an entry's path is the archive's path followed by the path\n"
         "                    inside it, and its attributes show Z\n"
         "  --threads N       test file contents on N threads, 1 to 64 (default: the setting\n"
         "                    SearchThreads, else one per processor); the rows are the same\n"
         "\n"
         "filter (any of these applies the filter):\n"
         "  --filter          start from the filter saved in the configuration file\n"
         "  --mask PATTERNS   names must also match these patterns\n"
         "  --exclude PATTERNS  names must not match these patterns\n"
         "  --from DATE [TIME], --to DATE [TIME]\n"
         "                    last changed on or after / on or before; DATE as 31.12.2026 (or\n"
         "                    31.12.26, 311226, 31122026), TIME as 23:59:59 or 23:59\n"
         "  --min-size BYTES, --max-size BYTES\n"
         "                    file length bounds (folders are not bound by them)\n"
         "  --attributes LETTERS  the attributes a row may carry, from R (read-only), H (hidden),\n"
         "                    S (system), D (folder), A (archive); the default is all\n"
         "\n"
         "settings and output:\n"
         "  --config FILE     the configuration file (default: ostry.INI beside the program)\n"
         "  --language CODE   the language of the totals and export titles: US, DE, or the code\n"
         "                    of a language file (default: the configured language)\n"
         "  --format=FORMAT   write the rows as an export: text, csv or html\n"
         "  --output FILE     write the export to FILE instead of standard output\n"
         "  --help            show this text\n"
         "\n"
         "Each row shows the attribute letters (R read-only, A archive, H hidden, S system), the\n"
         "size or <DIR>, the date and time of the last change and the full path. The totals go to\n"
         "standard error, followed by what could not be searched (folders and files that\n"
         "cannot be read, paths too long, damaged or encrypted archives...), when anything.\n"
         "Ctrl+C stops the search; the rows found so far are printed.\n"
         "\n"
         "exit status: 0 something was found, 1 nothing was found, 2 usage error, input that\n"
         "cannot mean anything (a bad byte string or expression, a missing folder or settings\n"
         "file), nothing was found but something could not be searched, or the rows or the\n"
         "export could not be written\n";
}

FilterRecord FindOptions::filter(const FilterRecord& saved) const {
  FilterRecord record = savedFilter ? saved : FilterRecord{};
  const auto copyMask = [](const std::string& from, char* to) {
    const std::size_t length = std::min(from.size(), kFilterMaskCapacity - 1);
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
  };
  if (mask) copyMask(*mask, record.includePatterns);
  if (exclude) copyMask(*exclude, record.excludePatterns);
  const auto bound = [&record](const auto& value, uint16_t flag, auto& field) {
    if (!value) return;
    field = *value;
    record.flags = static_cast<uint16_t>(record.flags | flag);
  };
  bound(fromDate, kFilterFromDate, record.fromDate);
  bound(fromTime, kFilterFromTime, record.fromTime);
  bound(toDate, kFilterToDate, record.toDate);
  bound(toTime, kFilterToTime, record.toTime);
  bound(minSize, kFilterMinimumLength, record.minimumLength);
  bound(maxSize, kFilterMaximumLength, record.maximumLength);
  if (attributes) record.allowedAttributes = *attributes;
  return record;
}

std::string parseFindOptions(int argc, const char* const* argv, FindOptions& out,
                             uint32_t currentYear) {
  std::vector<std::string_view> operands;
  bool optionsEnded = false;
  ArgumentReader args(argc, argv);
  std::string error;
  while (!args.done() && error.empty()) {
    const std::string_view arg = args.next();
    std::string_view value;
    // True for "--name VALUE" and "--name=VALUE"; a missing value is an error.
    const auto takes = [&](std::string_view name) {
      if (!isValueOption(arg, name)) return false;
      if (!args.value(arg, name, value)) error = std::string(name) + " needs a value";
      return true;
    };
    // A date, and the time after it when the next argument reads as one.
    const auto dateAndTime = [&](std::optional<uint16_t>& date, std::optional<uint16_t>& time) {
      CalendarDate calendar;
      if (!parseDateText(std::string(value).c_str(), currentYear, calendar)) {
        error = "invalid date '" + std::string(value) + "'";
        return;
      }
      date = dosDateOf(calendar);
      // Digits with a colon are a time: a bad one is refused, not taken for the patterns; a
      // drive path or a text with a colon is no time.
      ClockTime clock;
      const std::string_view following = args.peek();
      if (following.find(':') == std::string_view::npos ||
          following.find_first_not_of("0123456789:") != std::string_view::npos)
        return;
      args.next();
      if (!parseTimeText(std::string(following).c_str(), clock)) {
        error = "invalid time '" + std::string(following) + "'";
        return;
      }
      time = dosTimeOf(clock);
    };
    if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
      operands.push_back(arg);
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
    } else if (arg == "--archives") {
      out.options |= kOptArchives;
    } else if (arg == "--filter") {
      out.savedFilter = true;
    } else if (takes("--sort")) {
      if (error.empty() && !lookUp(kSortNames, value, out.sortMode))
        error = "unknown sort key '" + std::string(value) +
                "' (name, ext, time, size, attr, type, path, unsorted)";
    } else if (takes("--format")) {
      ExportFormat format = ExportFormat::Text;
      if (error.empty() && !lookUp(kFormatNames, value, format))
        error = "unknown format '" + std::string(value) + "' (text, csv, html)";
      out.format = format;
    } else if (takes("--output")) {
      out.output = value;
    } else if (takes("--config")) {
      out.configFile = value;
    } else if (takes("--language")) {
      if (error.empty() && (value.empty() || value.size() > 3))
        error = "a language code has 1 to 3 characters";
      out.language = value;
    } else if (takes("--mask")) {
      out.mask = std::string(value);
    } else if (takes("--exclude")) {
      out.exclude = std::string(value);
    } else if (takes("--from")) {
      if (error.empty()) dateAndTime(out.fromDate, out.fromTime);
    } else if (takes("--to")) {
      if (error.empty()) dateAndTime(out.toDate, out.toTime);
    } else if (takes("--min-size") || takes("--max-size")) {
      uint64_t size = 0;
      if (error.empty() && !parseSize(value, size))
        error = "invalid size '" + std::string(value) + "'";
      (arg.substr(0, 6) == "--min-" ? out.minSize : out.maxSize) = size;
    } else if (takes("--threads")) {
      unsigned threads = 0;
      const auto [end, fault] = std::from_chars(value.data(), value.data() + value.size(), threads);
      if (error.empty() && (fault != std::errc{} || end != value.data() + value.size() ||
                            threads < 1 || threads > 64))
        error = "invalid thread count '" + std::string(value) + "' (1 to 64)";
      out.threads = threads;
    } else if (takes("--attributes")) {
      uint16_t attributes = 0;
      if (error.empty() && !parseAttributes(value, attributes))
        error = "invalid attributes '" + std::string(value) + "' (letters R, H, S, D, A)";
      out.attributes = attributes;
    } else {
      error = "unknown option '" + std::string(arg) + "' (see --help)";
    }
  }
  if (!error.empty()) return error;
  if (out.help) return "";
  if (operands.size() < 2 || operands.size() > 3)
    return "expected PATTERNS, LOOKIN and maybe TEXT (see --help)";
  out.patterns = operands[0];
  out.lookIn = operands[1];
  if (operands.size() == 3) out.text = operands[2];
  if (out.patterns.size() >= kNamePatternsCapacity) return "PATTERNS is too long";
  if (out.lookIn.size() >= kLookInCapacity) return "LOOKIN is too long";
  if (out.text.size() >= kContainingTextCapacity) return "TEXT is too long";
  if (!out.output.empty() && !out.format) return "--output needs --format (text, csv or html)";
  if (out.filterGiven()) out.options |= kOptWithFilter;
  return "";
}

}  // namespace ostrya
