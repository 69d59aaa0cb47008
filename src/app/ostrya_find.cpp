// ostrya-find: the search engine of Ostrya on the command line.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>

#include "app/archive_host.h"
#include "app/console_host.h"
#include "app/find_options.h"
#include "foundation/config_store.h"
#include "foundation/error_box.h"
#include "foundation/language_file.h"
#include "foundation/language_table.h"
#include "foundation/program_files.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/file_ops.h"
#include "platform/process.h"
#include "search/archive_search.h"
#include "search/content_pool.h"
#include "search/name_match.h"
#include "search/search_input.h"
#include "search/search_run.h"

namespace {

using namespace ostrya;

SearchContext* runningSearch = nullptr;

// Ctrl+C is the Stop command: the run ends in order and keeps what it found.
extern "C" void requestStop(int) {
  if (runningSearch) runningSearch->stopRequests.fetch_add(1);
}

// System errors go to standard error, captioned as a message box would be.
class ConsoleErrors final : public ErrorPresenter {
 public:
  int present(void*, const char* text, const char* caption) override {
    std::fprintf(stderr, "ostrya-find: %s: %s\n", caption, text);
    return 1;
  }
};

uint32_t currentYear() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  return local ? static_cast<uint32_t>(local->tm_year + 1900) : 2000;
}

// The built-in table of the code, else its language file, else English; the configured
// language when no code is given.
const LanguageTable& chooseLanguage(std::string code, ConfigStore& config,
                                    std::unique_ptr<LanguageTable>& loaded) {
  if (code.empty()) code = config.getText("Ostrya", "Language", "");
  if (code.empty()) return englishLanguage();
  return languageFor(code.c_str(), programFilesBase(platform::programPath()), loaded);
}

// "the settings file NAME cannot be read: REASON"; empty when it could be read or is missing.
std::string unreadableSettingsText(const ConfigStore& config) {
  const int code = config.readError();
  if (code == 0) return std::string();
  return "the settings file " + config.fileName() + " cannot be read" +
         (code > 0 ? ": " + platform::errorText(code) : std::string());
}

// The system's words for a failed write of the output; a short write without them is a full
// disk's.
std::string writeFailureText() {
  const int code = platform::lastErrorCode();
  return platform::errorText(code != 0 ? code : platform::diskFullCode());
}

// A settings file named on the command line must be one; a saved filter asked for must be
// there. Empty when all is well.
std::string settingsProblem(const FindOptions& options, ConfigStore& config) {
  const std::string& name = config.fileName();
  if (!options.configFile.empty()) {
    if (platform::fileAttributes(name.c_str()) == platform::kNoAttributes)
      return "the settings file " + name + " does not exist";
    const bool isSettings = config.hasSection("Ostrya");
    if (std::string unreadable = unreadableSettingsText(config); !unreadable.empty())
      return unreadable;
    if (!isSettings) return name + " holds no Ostrya settings";
  }
  if (options.savedFilter && config.getText("Ostrya", "Filter").empty())
    return name + " holds no saved filter";
  return std::string();
}

bool writeExport(ResultStore& store, const FindOptions& options, const TextLookup& texts,
                 char separator) {
  OutputFile file;
  const int opened = options.output.empty() ? file.openStandardOutput()
                                            : file.create(nullptr, options.output.c_str());
  if (opened != 0) return false;
  // With no rows the export stays empty, as it always has.
  if (store.rowCount() == 0) return true;
  if (exportResults(store, *options.format, file, nullptr, texts, separator)) return true;
  const std::string failure = writeFailureText();
  // No half-written export is left behind to be taken for a whole one. Only a file on disk is
  // removed, judged by the open handle: never a device the output went to.
  const bool removable = !options.output.empty() && file.isRegularFile();
  file.close();
  if (removable) platform::deleteFile(options.output.c_str());
  std::fprintf(stderr, "ostrya-find: writing the export failed: %s\n", failure.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  FindOptions options;
  const std::string error = parseFindOptions(argc - 1, argv + 1, options, currentYear());
  if (!error.empty()) {
    std::fprintf(stderr, "ostrya-find: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(findUsage(), stdout);
    return 0;
  }
  ConsoleErrors errors;
  setErrorPresenter(&errors);

  // Read only: the command never changes the settings it shares with the window program.
  ConfigStore config(options.configFile.empty() ? nullptr : options.configFile.c_str());
  std::unique_ptr<LanguageTable> loadedLanguage;
  const LanguageTable& language = chooseLanguage(options.language, config, loadedLanguage);
  std::string refused = settingsProblem(options, config);
  if (refused.empty()) {
    const InputCheck check =
        checkSearchInput(options.lookIn.c_str(), options.text.c_str(), options.options);
    if (!check.sound()) refused = inputProblemText(check, language);
  }
  if (!refused.empty()) {
    std::fprintf(stderr, "ostrya-find: %s\n", refused.c_str());
    return 2;
  }

  static SearchContext context;
  context.options = options.options;
  context.texts = &language;
  context.thousandsSeparator = platform::thousandsSeparator();
  context.secondChance = secondChanceMatcher();
  const SearchFilter filter(
      options.filter(options.savedFilter ? loadFilter(config) : FilterRecord{}),
      context.secondChance);
  context.filter = &filter;
  // The program's own settings file, when it cannot be read, is only a warning.
  if (const std::string unreadable = unreadableSettingsText(config); !unreadable.empty())
    std::fprintf(stderr, "ostrya-find: %s\n", unreadable.c_str());
  archive::HostServices services;
  ArchiveEntrySearch archives(programArchiveServices(services), nullptr,
                              scratchLimitSetting(config));
  context.archives = &archives;
  context.contentWorkers = options.threads ? *options.threads : searchThreadsSetting(config);
  ConsoleHost host(options);

  runningSearch = &context;
  std::signal(SIGINT, requestStop);
  std::thread search = startSearch(context, host);
  search.join();

  if (options.sortMode != SortMode::Unsorted)
    context.store.sort(options.sortMode, options.sortDirection, false, nullptr, language);
  if (options.format) {
    if (!writeExport(context.store, options, language, context.thousandsSeparator)) return 2;
  } else {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    printRows(context.store, options.pathsOnly, stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      std::fprintf(stderr, "ostrya-find: writing the rows failed: %s\n",
                   writeFailureText().c_str());
      return 2;
    }
  }
  std::fprintf(stderr, "%s\n", host.totals().c_str());
  printSkipped(context.skipped, stderr);
  if (context.store.rowCount() != 0) return 0;
  return context.skipped.total() != 0 ? 2 : 1;
}
