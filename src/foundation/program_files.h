// portable: no platform headers.
#pragma once

#include <string>

namespace ostrya {

// The base the program's own files are named from: the program file's path without its
// extension, its file-name part cut to five characters ("C:\Tools\Ostrya.exe" gives
// "C:\Tools\Ostry"). A leading double quote is skipped.
std::string programFilesBase(const std::string& programPath);

// The configuration file: the base and ".INI", in the current directory when the base has no
// folder.
std::string configurationFileName(const std::string& programPath,
                                  const std::string& currentDirectory);

// "BASE_CODE.EXT", the name of a language or help file; a one-character code gets a blank.
std::string languageFileName(const std::string& base, const std::string& code,
                             const char* extension);

}  // namespace ostrya
