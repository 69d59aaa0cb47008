// Applies settings from standard input to a configuration file through the store, so that a
// test can read the file back with another INI reader. One line each:
//   section TAB key TAB value           puts the value as text
//   section TAB key TAB value TAB number puts the decimal value as a number (negatives wrap)
//   section                             removes the section
// The file is written when the store goes, at the end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/config_store.h"

namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == '\t')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: config_tool FILE < lines\n");
    return 2;
  }
  ostrya::ConfigStore store(argv[1]);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = fieldsOf(line);
    if (fields.size() == 1) {
      store.removeSection(fields[0].c_str());
    } else if (fields.size() == 3) {
      store.putText(fields[0].c_str(), fields[1].c_str(), fields[2].c_str());
    } else if (fields.size() == 4 && fields[3] == "number") {
      const auto number = static_cast<uint32_t>(std::strtoll(fields[2].c_str(), nullptr, 10));
      store.putNumber(fields[0].c_str(), fields[1].c_str(), number);
    } else {
      std::fprintf(stderr, "config_tool: bad line: %s\n", line.c_str());
      return 2;
    }
  }
  return 0;
}
