#include "archive/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "test_tree.h"

namespace ostrya::archive {
namespace {

// Any mix of reads and moves gives the bytes a plain file gives: checked against the file's
// contents held in memory, over reads smaller and larger than the window and moves inside it,
// outside it, before the start and past the end.
TEST(ReadAhead, ReadsAndMovesGiveWhatThePlainFileHolds) {
  std::mt19937 random(7);
  std::string contents(300 * 1024 + 17, '\0');
  for (char& c : contents) c = static_cast<char>(random());
  testing::TempTree tree;
  tree.file("data.bin", contents);
  platform::FileHandle file;
  uint64_t size = 0;
  ASSERT_EQ(file.openForReading(tree.native("data.bin").c_str(), size), 0);
  ReadAhead reader(file);

  int64_t position = 0;
  std::string buffer;
  for (int step = 0; step < 4000; ++step) {
    const int what = static_cast<int>(random() % 4);
    if (what < 2) {
      const std::size_t count = what == 0 ? random() % 600 : random() % 150000;
      buffer.assign(count, '\0');
      std::size_t got = 0;
      ASSERT_EQ(reader.read(buffer.data(), count, got), 0);
      const std::size_t expected =
          std::min<int64_t>(count, std::max<int64_t>(0, static_cast<int64_t>(size) - position));
      ASSERT_EQ(got, expected) << step;
      if (got > 0) {
        ASSERT_EQ(buffer.substr(0, got), contents.substr(static_cast<std::size_t>(position), got))
            << step;
      }
      position += static_cast<int64_t>(got);
      continue;
    }
    const auto from = static_cast<platform::SeekFrom>(random() % 3);
    const int64_t offset = static_cast<int64_t>(random() % 200000) - 100000;
    const int64_t base = from == platform::SeekFrom::Start     ? 0
                         : from == platform::SeekFrom::Current ? position
                                                               : static_cast<int64_t>(size);
    uint64_t moved = 0;
    const int code = reader.seek(offset, from, moved);
    if (base + offset < 0) {
      EXPECT_NE(code, 0) << step;
      continue;
    }
    ASSERT_EQ(code, 0) << step;
    position = base + offset;
    ASSERT_EQ(moved, static_cast<uint64_t>(position)) << step;
  }
}

}  // namespace
}  // namespace ostrya::archive
