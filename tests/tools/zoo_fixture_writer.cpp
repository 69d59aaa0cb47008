// Writes the ZOO fixtures, which no packaged program makes:
//   zoo_fixture_writer OUTPUT [--loop | --outside] ENTRY...
// An ENTRY is METHOD[FLAGS]:NAME[=SOURCE]. METHOD is 0 (stored), 1 (LZW) or 2 (LZH); FLAGS
// are d (a deleted entry) and s (a type 1 entry, the short name only). The data is the file
// SOURCE, or NAME, below the current folder, with its modification time as a local DOS time.
// LZH data is taken from the -lh5- entry of the same name in the level 0 LHA archive SOURCE
// (the data itself then comes from the file NAME), as ZOO's LZH is LHA's -lh5-.
// --loop points the last member's next entry back at the first; --outside past the file's end.
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "zoo_writer.h"

namespace {

using ostrya::testing::ZooMember;

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

uint32_t le(const std::string& bytes, std::size_t at, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// The packed data, time and CRC-16 of the entry `name` of a level 0 LHA archive.
void takeLh5(const std::string& archive, const std::string& name, ZooMember& member) {
  const std::string bytes = contentsOf(archive);
  for (std::size_t at = 0; at < bytes.size() && bytes[at] != 0;) {
    const std::size_t headerSize = static_cast<uint8_t>(bytes[at]) + 2u;
    const uint32_t packed = le(bytes, at + 7, 4);
    const std::size_t nameSize = static_cast<uint8_t>(bytes[at + 21]);
    std::string stored = bytes.substr(at + 22, nameSize);
    for (char& c : stored)
      if (c == '\\') c = '/';
    if (bytes[at + 20] != 0) throw std::runtime_error(archive + " is not of header level 0");
    if (stored == name) {
      if (bytes.compare(at + 2, 5, "-lh5-") != 0)
        throw std::runtime_error(name + " is not -lh5- in " + archive);
      if (le(bytes, at + 22 + nameSize, 2) != ostrya::testing::zooCrc16(member.data))
        throw std::runtime_error(name + " in " + archive + " holds other data");
      member.packed = bytes.substr(at + headerSize, packed);
      member.dosTime = static_cast<uint16_t>(le(bytes, at + 15, 2));
      member.dosDate = static_cast<uint16_t>(le(bytes, at + 17, 2));
      return;
    }
    at += headerSize + packed;
  }
  throw std::runtime_error("no entry " + name + " in " + archive);
}

ZooMember memberOf(const std::string& spec) {
  const std::size_t colon = spec.find(':');
  if (colon == std::string::npos || colon == 0) throw std::runtime_error("bad entry " + spec);
  ZooMember member;
  member.method = static_cast<uint8_t>(spec[0] - '0');
  for (char flag : spec.substr(1, colon - 1)) {
    if (flag == 'd')
      member.deleted = true;
    else if (flag == 's')
      member.shortOnly = true;
    else
      throw std::runtime_error("bad flag in " + spec);
  }
  const std::string rest = spec.substr(colon + 1);
  const std::size_t equals = rest.find('=');
  member.name = rest.substr(0, equals);
  const std::string source = equals == std::string::npos ? member.name : rest.substr(equals + 1);
  member.data = contentsOf(member.method == 2 ? member.name : source);
  struct stat status {};
  if (stat(source.c_str(), &status) != 0) throw std::runtime_error("cannot stat " + source);
  const std::time_t when = status.st_mtime;
  std::tm local{};
  localtime_r(&when, &local);
  member.dosDate =
      static_cast<uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  member.dosTime =
      static_cast<uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
  if (member.method == 2) takeLh5(source, member.name, member);
  return member;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc < 3)
      throw std::runtime_error("usage: zoo_fixture_writer OUTPUT [--loop|--outside] ENTRY...");
    std::string change;
    std::vector<ZooMember> members;
    for (int i = 2; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--loop" || arg == "--outside")
        change = arg;
      else
        members.push_back(memberOf(arg));
    }
    ostrya::testing::ZooLayout layout;
    std::string archive = ostrya::testing::zooArchive(members, &layout);
    const std::size_t last = layout.entries[members.size() - 1] + ostrya::testing::kZooNextOffset;
    if (change == "--loop") {
      for (int i = 0; i < 4; ++i)
        archive[last + i] = static_cast<char>(layout.entries[0] >> (8 * i));
    } else if (change == "--outside") {
      const uint32_t past = static_cast<uint32_t>(archive.size() + 1000);
      for (int i = 0; i < 4; ++i) archive[last + i] = static_cast<char>(past >> (8 * i));
    }
    std::ofstream(argv[1], std::ios::binary) << archive;
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "zoo_fixture_writer: " << error.what() << "\n";
    return 1;
  }
}
