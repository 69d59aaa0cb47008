// Writes the ACE fixtures through the test tree's writer, so that the fixture script can have
// unace check them.
//   ace_fixture_writer SOURCE-TREE OUTPUT-FOLDER plain|twin
// "plain" headers end right after the name, as ACE writes them; "twin" headers carry 4 bytes
// more, without which unace 1.2b as Debian builds it reads no file header. Entries are the
// tree's files and folders in byte order of their paths, with their times in UTC cut to the
// minute (unace lists no seconds) and the read-only attribute where the file has no write bit.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ace_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace ostrya::testing;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

uint32_t minuteOf(const fs::path& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return 0;
  std::tm utc{};
  gmtime_r(&info.st_mtime, &utc);
  return aceTime(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, 0);
}

// The tree's entries, folders included, LZ77-packed unless `type` says otherwise.
std::vector<AceMember> treeMembers(const fs::path& tree, uint8_t type) {
  std::vector<fs::path> paths;
  for (const auto& item : fs::recursive_directory_iterator(tree)) paths.push_back(item.path());
  std::sort(paths.begin(), paths.end(), [&](const fs::path& a, const fs::path& b) {
    return fs::relative(a, tree).generic_string() < fs::relative(b, tree).generic_string();
  });
  std::vector<AceMember> members;
  for (const fs::path& path : paths) {
    std::string name = fs::relative(path, tree).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    if (fs::is_directory(path)) {
      members.push_back(aceFolder(name, minuteOf(path)));
      continue;
    }
    AceMember member;
    member.name = name;
    member.data = readAll(path);
    member.type = type;
    member.time = minuteOf(path);
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0) member.attributes |= 0x01;
    members.push_back(member);
  }
  return members;
}

const char* const kHostile[] = {"safe.txt",      "..\\escape.txt",    "\\abs.txt",
                                "C:\\drive.txt", "a\\..\\..\\up.txt", "CON",
                                "aux.txt"};

// 60000 bytes of words in an order that repeats nowhere for long: many symbols, so many blocks
// and matches at every distance, more than the smallest dictionary holds.
AceMember wordsMember() {
  static const char* const kWords[] = {"needle ",   "haystack ", "ace ",   "solid ",
                                       "archive\n", "block ",    "table ", "dictionary "};
  AceMember member;
  member.name = "words.txt";
  member.time = aceTime(2022, 2, 22, 22, 22, 0);
  uint32_t state = 1;
  while (member.data.size() < 60000) {
    state = state * 1664525u + 1013904223u;
    member.data += kWords[state >> 29];
  }
  member.data.resize(60000);
  return member;
}

std::string hostileBody(const std::string& name) {
  return "hostile entry " + name + " holds a needle\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ace_fixture_writer SOURCE-TREE OUTPUT-FOLDER plain|twin\n");
    return 2;
  }
  const fs::path tree = argv[1];
  const fs::path out = argv[2];
  const bool twin = std::string(argv[3]) == "twin";
  fs::create_directories(out);
  const std::string afterName = twin ? std::string(4, '\0') : "";
  auto write = [&](const std::string& name, AceArchive archive) {
    for (AceMember& member : archive.members) member.afterName = afterName;
    writeAll(out / name, aceArchive(archive));
  };

  AceArchive stored;
  stored.members = treeMembers(tree, kAceStoredType);
  write("tree-stored.ace", stored);

  AceArchive lz77;
  lz77.members = treeMembers(tree, kAceLz77Type);
  write("tree-lz77.ace", lz77);

  // The smallest dictionary and short blocks: many codes, and matches at its edge.
  AceArchive small = lz77;
  small.members.push_back(wordsMember());
  for (AceMember& member : small.members) {
    member.parameter = 0;
    member.blockSymbols = 100;
  }
  write("tree-lz77-small-blocks.ace", small);

  // Solid, every other file stored: the later files reach back into both kinds.
  AceArchive solid;
  solid.solid = true;
  solid.members = treeMembers(tree, kAceLz77Type);
  bool storeNext = true;
  for (AceMember& member : solid.members)
    if ((member.attributes & 0x10) == 0) {
      if (storeNext) member.type = kAceStoredType;
      storeNext = !storeNext;
    }
  solid.members.push_back(wordsMember());
  write("tree-solid.ace", solid);

  // Behind a self-extracting program's stub of 3000 bytes, with a false mark in it.
  AceArchive behind = lz77;
  behind.stub = "MZ" + std::string(1200, '\x90') + "**ACE**" + std::string(1791, '\0');
  write("sfx-stub.exe", behind);

  AceArchive hostile;
  for (const char* name : kHostile) {
    AceMember member;
    member.name = name;
    member.data = hostileBody(name);
    member.time = aceTime(2021, 11, 11, 11, 11, 0);
    hostile.members.push_back(member);
  }
  AceMember far;
  far.name = "three-hundred-characters-" + std::string(271, 'x') + ".txt";
  far.data = hostileBody(far.name);
  far.type = kAceStoredType;
  hostile.members.push_back(far);
  write("hostile-names.ace", hostile);

  // The second volume of a set.
  AceArchive later = stored;
  later.volume = 1;
  write("volume-2.ace", later);

  // The second file's header fails its CRC.
  AceArchive broken = lz77;
  broken.members[2].wrongHeaderCrc = true;
  write("damaged-header-crc.ace", broken);

  // A plain file, then one marked encrypted (its data some bytes no key made), then a plain one.
  AceArchive locked;
  AceMember plain;
  plain.name = "plain.txt";
  plain.data = "plain needle\n";
  plain.time = aceTime(2021, 3, 4, 5, 6, 0);
  AceMember secret = plain;
  secret.name = "secret.txt";
  secret.data = "secret needle\n";
  secret.flags = kAceEncryptedFlag;
  const std::string scrambled = "\x5b\xc2\x19\x77\x03\xe8\x41\x9a\x66\x2d\xf0\x13\x8c\x5e\x21\xb7";
  secret.packedInstead = &scrambled;
  AceMember after = plain;
  after.name = "after.txt";
  after.data = "after needle\n";
  locked.members = {plain, secret, after};
  write("encrypted.ace", locked);

  // A file of compression type 2, which only the outside library decodes, between plain ones.
  AceArchive unknown;
  AceMember blocked = plain;
  blocked.name = "v20.txt";
  blocked.type = 2;
  blocked.data = "compressed with the version 2.0 method: needle\n";
  unknown.members = {plain, blocked, after};
  write("unsupported-method.ace", unknown);
  return 0;
}
