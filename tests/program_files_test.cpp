#include "foundation/program_files.h"

#include <gtest/gtest.h>

#include "platform/path.h"

namespace ostrya {
namespace {

TEST(ProgramFiles, BaseDropsTheExtensionAndKeepsFiveCharactersOfTheName) {
  const struct {
    const char* program;
    const char* base;
  } cases[] = {
      {"C:\\Tools\\Ostrya.exe", "C:\\Tools\\Ostry"},
      {"\"C:\\Tools\\Ostrya.exe", "C:\\Tools\\Ostry"},
      {"C:\\Tools\\Os.exe", "C:\\Tools\\Os"},
      {"Ostrya.exe", "Ostry"},
      {".profile", ".prof"},
      {"/usr/bin/ostrya-find", "/usr/bin/ostry"},
      {"/opt/ostrya/find.bin", "/opt/ostrya/find"},
  };
  for (const auto& c : cases) EXPECT_EQ(programFilesBase(c.program), c.base) << c.program;
}

// Windows takes the last dot of the whole path; a POSIX program in a folder such as tools.d has
// no extension, and its settings must not be named after the folder.
TEST(ProgramFiles, ADotInAFolderNameCountsOnWindowsOnly) {
  if (platform::kPathSeparator == '/') {
    EXPECT_EQ(programFilesBase("/opt/tools.d/ostrya-find"), "/opt/tools.d/ostry");
    EXPECT_EQ(configurationFileName("/opt/tools.d/ostrya-find", "/home/me"),
              "/opt/tools.d/ostry.INI");
  } else {
    EXPECT_EQ(programFilesBase("C:\\Tools.d\\Ostrya"), "C:\\Tools");
  }
}

TEST(ProgramFiles, SettingsAndLanguageFileNames) {
  const std::string here = std::string("work") + platform::kPathSeparator + "Ostry.INI";
  EXPECT_EQ(configurationFileName("Ostrya.exe", "work"), here);
  EXPECT_EQ(configurationFileName("C:\\Tools\\Ostrya.exe", "work"), "C:\\Tools\\Ostry.INI");
  EXPECT_EQ(languageFileName("C:\\Tools\\Ostry", "DE", "LNG"), "C:\\Tools\\Ostry_DE.LNG");
  EXPECT_EQ(languageFileName("C:\\Tools\\Ostry", "F", "HLP"), "C:\\Tools\\Ostry_F .HLP");
}

}  // namespace
}  // namespace ostrya
