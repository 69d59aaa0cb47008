// Writes a ZIP of the files named on the command line with one of the legacy methods, through
// the test tree's encoders, so that the fixture script can have Info-ZIP's unzip check them.
//   zip_legacy_writer METHOD OUTPUT FILE...
// METHOD: shrink, reduce1 to reduce4, implode, implode-8k, implode-tree, implode-tree-8k. Names
// are stored as given, times are the files' own in UTC.
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zip_implode_encoder.h"
#include "zip_reduce_encoder.h"
#include "zip_shrink_encoder.h"
#include "zip_writer.h"

namespace {

using namespace ostrya::testing;

// The method number, the flags and the packed bytes; false for a method it does not know.
bool pack(const std::string& method, const std::string& data, Member& member) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  std::vector<uint8_t> packed;
  if (method == "shrink") {
    member.method = 1;
    packed = shrinkForTest(bytes);
  } else if (method.size() == 7 && method.rfind("reduce", 0) == 0 && method[6] >= '1' &&
             method[6] <= '4') {
    const int factor = method[6] - '0';
    member.method = static_cast<uint16_t>(1 + factor);
    packed = reduceForTest(bytes, factor);
  } else if (method.rfind("implode", 0) == 0) {
    const bool tree = method.find("tree") != std::string::npos;
    const bool large = method.find("8k") != std::string::npos;
    member.method = 6;
    member.flags = static_cast<uint16_t>((large ? 2 : 0) | (tree ? 4 : 0));
    packed = implodeForTest(bytes, tree, large);
  } else {
    return false;
  }
  member.packed.assign(packed.begin(), packed.end());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: zip_legacy_writer METHOD OUTPUT FILE...\n");
    return 2;
  }
  std::vector<Member> members;
  for (int i = 3; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) return 1;
    Member member;
    member.name = argv[i];
    member.data.assign(std::istreambuf_iterator<char>(in), {});
    if (!pack(argv[1], member.data, member)) {
      std::fprintf(stderr, "unknown method %s\n", argv[1]);
      return 2;
    }
    struct stat info {};
    if (stat(argv[i], &info) != 0) return 1;
    const std::tm* when = std::gmtime(&info.st_mtime);
    member.dosDate =
        static_cast<uint16_t>((when->tm_year - 80) << 9 | (when->tm_mon + 1) << 5 | when->tm_mday);
    member.dosTime =
        static_cast<uint16_t>(when->tm_hour << 11 | when->tm_min << 5 | when->tm_sec / 2);
    members.push_back(std::move(member));
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << zipOf(members);
  return out.good() ? 0 : 1;
}
