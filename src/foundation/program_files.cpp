// portable: no platform headers.
#include "foundation/program_files.h"

#include "platform/path.h"

namespace ostrya {

std::string programFilesBase(const std::string& programPath) {
  std::string base = programPath;
  if (!base.empty() && base[0] == '"') base.erase(0, 1);
  // The extension goes only when its dot is not the first character of the whole path. Windows
  // takes the last dot of the whole path; a POSIX program usually has no extension and may lie
  // in a folder such as tools.d, so there only a dot in the file-name part counts.
  const std::size_t dot = base.rfind('.');
  const std::size_t folderEnd = base.find_last_of("\\/");
  const bool dotInFolder = folderEnd != std::string::npos && dot < folderEnd;
  if (dot != std::string::npos && dot > 0 && !(platform::kPathSeparator == '/' && dotInFolder))
    base.resize(dot);
  const std::size_t separator = base.find_last_of("\\/");
  const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  if (base.size() - nameStart > 5) base.resize(nameStart + 5);
  return base;
}

std::string configurationFileName(const std::string& programPath,
                                  const std::string& currentDirectory) {
  std::string name = programFilesBase(programPath) + ".INI";
  if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos)
    name = currentDirectory + platform::kPathSeparator + name;
  return name;
}

std::string languageFileName(const std::string& base, const std::string& code,
                             const char* extension) {
  const std::string padded = code.size() == 1 ? code + " " : code;
  return base + "_" + padded + "." + extension;
}

}  // namespace ostrya
