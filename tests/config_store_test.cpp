#include "foundation/config_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/config_values.h"
#include "platform/file.h"
#include "platform/file_lock.h"
#include "platform/listing.h"
#include "test_tree.h"

namespace ostrya {
namespace {

namespace fs = std::filesystem;

// A settings file with the given text, in a folder of its own.
struct SettingsFile {
  explicit SettingsFile(const std::string& text) { tree.file("s.ini", text); }
  std::string name() const { return tree.native("s.ini"); }
  std::string text() const { return testing::readFile(tree.root() / "s.ini"); }
  testing::TempTree tree;
};

TEST(ConfigStore, FreshFileLayout) {
  testing::TempTree tree;
  const std::string name = tree.native("OSTRY.INI");
  {
    ConfigStore store(name.c_str());
    EXPECT_EQ(store.fileName(), name);
    EXPECT_EQ(store.getText("Ostrya", "Opt", "none"), "none");
    store.putNumber("Ostrya", "Opt", 0x80);
    store.putText("Find", "1", "*.txt");
    store.putText("Ostrya", "Language", "US");
    store.putText("Find", "2", "*.cpp");
    store.putText("Ostrya", "Opt", "129");
    EXPECT_TRUE(store.changed());
    EXPECT_FALSE(fs::exists(tree.root() / "OSTRY.INI"));  // written once, at the end
  }
  EXPECT_EQ(testing::readFile(tree.root() / "OSTRY.INI"),
            "[Ostrya]\r\nOpt=129\r\nLanguage=US\r\n\r\n[Find]\r\n1=*.txt\r\n2=*.cpp\r\n");
  EXPECT_FALSE(fs::exists(tree.root() / "OSTRY.INI.new"));
}

TEST(ConfigStore, KeyLineSpellings) {
  struct Case {
    const char* text;
    const char* expected;  // "<none>" when the default is the answer
  };
  const Case cases[] = {
      {"[S]\r\nKey=v\r\n", "v"},
      {"[S]\r\nKey = v\r\n", "v"},
      {"[S]\r\nKey  \t=\t  v\r\n", "v"},
      {"[S]\r\nKey=v  \r\n", "v  "},  // trailing blanks stay
      {"[S]\r\nKey=a = b\r\n", "a = b"},
      {"[S]\nA=1\nKey=v\n", "v"},
      {"[S]\rA=1\rKey=v", "v"},
      {"[S]junk\r\n\r\n\r\nKey=v", "v"},
      {"[S]\r\nKey=1\r\nKey=2\r\n", "1"},  // the first occurrence
      {"[S]\r\nKey=\r\n", "<none>"},       // empty value
      {"[S]\r\n Key=v\r\n", "<none>"},     // leading blank
      {"[S]\r\nkey=v\r\n", "<none>"},      // keys are case-sensitive
      {"[S]\r\nKeyword=v\r\n", "<none>"},  // a longer key
      {"[S]\r\nKey v\r\n", "<none>"},      // no "="
      {"[S]\r\nKey", "<none>"},            // nothing after the key
      {"[s]\r\nKey=v\r\n", "<none>"},      // section names too
      {"x[S]\r\nKey=v\r\n", "<none>"},     // a header opens its line
      {"[S]\r\n[T]\r\nKey=v\r\n", "<none>"},
      {"[S]\r\nA=1\r\n[S]\r\nKey=v\r\n", "<none>"},  // the first section wins
      {"[S]\r\n[Key=v\r\n", "<none>"},
  };
  for (const Case& c : cases) {
    SettingsFile file(c.text);
    ConfigStore store(file.name().c_str());
    EXPECT_EQ(store.getText("S", "Key", "<none>"), c.expected) << c.text;
  }
}

TEST(ConfigStore, ValuesAreCutToTheCapacity) {
  SettingsFile file("[S]\r\nKey=abcdef\r\n");
  ConfigStore store(file.name().c_str());
  const struct {
    const char* key;
    std::size_t capacity;
    const char* expected;
  } cases[] = {{"Key", 1, ""},        {"Key", 2, "a"},   {"Key", 4, "abc"},  {"Key", 7, "abcdef"},
               {"Key", 64, "abcdef"}, {"None", 3, "xy"}, {"None", 64, "xyz"}};
  for (const auto& c : cases) {
    char out[64];
    std::memset(out, '#', sizeof out);
    store.getText("S", c.key, "xyz", out, c.capacity);
    EXPECT_STREQ(out, c.expected) << c.key << " " << c.capacity;
  }
  char untouched[4] = "old";
  store.getText("S", "Key", "", untouched, 0);
  EXPECT_STREQ(untouched, "old");
  // The destination may be the default, as with the profile functions.
  char buffer[8] = "dflt";
  store.getText("S", "None", buffer, buffer, 3);
  EXPECT_STREQ(buffer, "df");
}

TEST(ConfigStore, SameValueLeavesTheFileAlone) {
  SettingsFile file("[S]\r\nKey = same\r\n");
  {
    ConfigStore store(file.name().c_str());
    store.putText("S", "Key", "same");
    store.putText("S", "Key", "same");
    EXPECT_FALSE(store.changed());
    // Had the store written back, this would be overwritten.
    file.tree.file("s.ini", "edited elsewhere");
  }
  EXPECT_EQ(file.text(), "edited elsewhere");
}

TEST(ConfigStore, PutTextEdits) {
  struct Case {
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  };
  const Case cases[] = {
      // Replacements, in place and grown.
      {"[S]\r\nA=medium\r\nB=2\r\n", "S", "A", "s", "[S]\r\nA=s\r\nB=2\r\n"},
      {"[S]\r\nA=medium\r\nB=2\r\n", "S", "A", "a longer value",
       "[S]\r\nA=a longer value\r\nB=2\r\n"},
      {"[S]\r\nA = old\r\n", "S", "A", "new!", "[S]\r\nA = new!\r\n"},
      {"[S]\nA=1\nB=2", "S", "B", "", "[S]\nA=1\nB="},
      // New keys: at the end of the section, before its blank line.
      {"[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "z", "3",
       "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
      {"[A]\r\nx=1\r\n[B]\r\n", "A", "z", "3", "[A]\r\nx=1\r\nz=3\r\n[B]\r\n"},
      {"[A]\r\nx=1", "A", "z", "3", "[A]\r\nx=1\r\nz=3\r\n"},
      {"[A]", "A", "z", "3", "[A]\r\nz=3\r\n"},
      {"[A]\r\n\r\n", "A", "z", "3", "[A]\r\nz=3\r\n\r\n"},
      {"[A]\r\nzz=1\r\n", "A", "z", "3", "[A]\r\nzz=1\r\nz=3\r\n"},
      // New sections: one blank line after the text before.
      {"[A]\r\nx=1\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
      {"[A]\r\nx=1\r\n\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
      {"[A]\r\nx=1", "B", "y", "2", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
      {"", "B", "y", "2", "[B]\r\ny=2\r\n"},
  };
  for (const Case& c : cases) {
    SettingsFile file(c.before);
    {
      ConfigStore store(file.name().c_str());
      store.putText(c.section, c.key, c.value);
      EXPECT_EQ(store.contents(), c.after) << c.before;
      EXPECT_TRUE(store.changed());
    }
    EXPECT_EQ(file.text(), c.after) << c.before;
  }
}

TEST(ConfigStore, RemoveSection) {
  const std::string text = "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n[C]\r\nc=3\r\n";
  const struct {
    const char* section;
    const char* after;
  } cases[] = {
      {"B", "[A]\r\na=1\r\n\r\n[C]\r\nc=3\r\n"},
      {"C", "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n"},
      {"A", "[B]\r\nb=2\r\n\r\n[C]\r\nc=3\r\n"},
  };
  for (const auto& c : cases) {
    SettingsFile file(text);
    {
      ConfigStore store(file.name().c_str());
      store.removeSection(c.section);
      EXPECT_TRUE(store.changed());
      EXPECT_EQ(store.getText(c.section, "a", "gone"), "gone");
    }
    EXPECT_EQ(file.text(), c.after) << c.section;
  }
  SettingsFile file(text);
  ConfigStore store(file.name().c_str());
  store.removeSection("D");
  EXPECT_FALSE(store.changed());
  // After the last section went, a new one keeps one blank line before it.
  store.removeSection("C");
  store.putText("D", "d", "4");
  EXPECT_EQ(store.contents(), "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n[D]\r\nd=4\r\n");
}

TEST(ConfigStore, Numbers) {
  const struct {
    const char* value;
    uint32_t expected;
  } cases[] = {
      {"4294967295", 0xFFFFFFFFu},
      {"-1", 0xFFFFFFFFu},
      {" +12", 12},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-2147483648", 0x80000000u},
      {"12abc", 12},
      {"abc", 0},
      {"- 5", 0},
      {"", 77},  // an empty value is the default
  };
  for (const auto& c : cases) {
    SettingsFile file(std::string("[S]\r\nN=") + c.value + "\r\n");
    ConfigStore store(file.name().c_str());
    EXPECT_EQ(store.getNumber("S", "N", 77), c.expected) << c.value;
    EXPECT_EQ(store.getNumber("S", "Missing", 77), 77u);
  }
  testing::TempTree tree;
  ConfigStore store(tree.native("n.ini").c_str());
  for (const uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    store.putNumber("S", "N", value);
    EXPECT_EQ(store.getNumber("S", "N", 5), value);
  }
  EXPECT_EQ(store.getText("S", "N"), "4294967295");
}

TEST(ConfigStore, MissingFileIsTriedAgainUntilRead) {
  testing::TempTree tree;
  ConfigStore store(tree.native("late.ini").c_str());
  EXPECT_EQ(store.getText("S", "K", "default"), "default");
  EXPECT_EQ(store.contents(), "");
  tree.file("late.ini", "[S]\r\nK=v\r\n");
  EXPECT_EQ(store.getText("S", "K", "default"), "v");
  // Once read, the text in memory is the answer.
  tree.file("late.ini", "[S]\r\nK=w\r\n");
  EXPECT_EQ(store.getText("S", "K", "default"), "v");
}

TEST(ConfigStore, ReadOnlyFileIsRewritten) {
  SettingsFile file("[S]\r\nK=old\r\n");
  const std::string name = file.name();
  ASSERT_TRUE(platform::setFileAttributes(name.c_str(), platform::kAttrReadOnly));
  {
    ConfigStore store(name.c_str());
    store.putText("S", "K", "new");
  }
  EXPECT_EQ(file.text(), "[S]\r\nK=new\r\n");
  EXPECT_EQ(platform::fileAttributes(name.c_str()) & platform::kAttrReadOnly, 0u);
}

TEST(ConfigStore, WriteBackGoesThroughATemporaryFile) {
  // A leftover of a killed run of this process's number is replaced and does not survive.
  SettingsFile file("[S]\r\nK=old\r\n");
  const std::string temporary = "s.ini." + std::to_string(platform::currentProcessId()) + ".new";
  file.tree.file(temporary, "half a file");
  {
    ConfigStore store(file.name().c_str());
    store.putText("S", "K", "new");
  }
  EXPECT_EQ(file.text(), "[S]\r\nK=new\r\n");
  EXPECT_FALSE(fs::exists(file.tree.root() / temporary));
  EXPECT_EQ(std::distance(fs::directory_iterator(file.tree.root()), fs::directory_iterator()), 1);

  // When the new text cannot be written, the old file stays as it was, and the store says so.
  file.tree.file(temporary + "/blocker", "x");
  ConfigStore store(file.name().c_str());
  store.putText("S", "K", "lost");
  EXPECT_NE(store.flush(), 0);
  EXPECT_EQ(file.text(), "[S]\r\nK=new\r\n");
  EXPECT_TRUE(fs::exists(file.tree.root() / temporary / "blocker"));  // not ours to remove
}

// Writers in other processes change the file meanwhile: each write-back applies its own
// changes to the file as it finds it, so no writer's keys are lost.
TEST(ConfigStore, WriteBackKeepsWhatOthersWroteMeanwhile) {
  SettingsFile file("[S]\r\nKept=1\r\nGone=1\r\n\r\n[Old]\r\nX=1\r\n");
  ConfigStore mine(file.name().c_str());
  EXPECT_EQ(mine.getText("S", "Kept"), "1");
  mine.putText("S", "Mine", "m");
  mine.putText("S", "Kept", "2");
  mine.removeSection("Old");
  {
    ConfigStore theirs(file.name().c_str());
    theirs.putText("S", "Theirs", "t");
    theirs.putText("Other", "Y", "y");
    EXPECT_EQ(theirs.flush(), 0);
  }
  EXPECT_EQ(mine.flush(), 0);
  ConfigStore after(file.name().c_str());
  EXPECT_EQ(after.getText("S", "Mine"), "m");
  EXPECT_EQ(after.getText("S", "Theirs"), "t");
  EXPECT_EQ(after.getText("S", "Kept"), "2");
  EXPECT_EQ(after.getText("S", "Gone"), "1");
  EXPECT_EQ(after.getText("Other", "Y"), "y");
  EXPECT_EQ(after.getText("Old", "X", "none"), "none");
  EXPECT_FALSE(mine.changed());
  EXPECT_EQ(mine.flush(), 0);
}

TEST(ConfigStore, UnwritableFolderKeepsTheOldFile) {
  SettingsFile file("[S]\r\nK=old\r\n");
  fs::permissions(file.tree.root(), fs::perms::owner_read | fs::perms::owner_exec);
  const bool writable = std::ofstream(file.tree.root() / "probe").is_open();
  if (!writable) {
    ConfigStore store(file.name().c_str());
    store.putText("S", "K", "lost");
  }
  fs::permissions(file.tree.root(), fs::perms::owner_all);
  if (writable) GTEST_SKIP() << "the folder cannot be made unwritable here";
  EXPECT_EQ(file.text(), "[S]\r\nK=old\r\n");
  EXPECT_FALSE(fs::exists(file.tree.root() / "s.ini.new"));
}

// A file that exists but cannot be read is not a missing one: the store is read-only for the run
// and never replaces the user's settings with the few keys changed since.
TEST(ConfigStore, UnreadableFileIsNeverReplaced) {
  SettingsFile file("[S]\r\nK=old\r\nOther=kept\r\n");
  fs::permissions(file.name(), fs::perms::none);
  const bool readable = std::ifstream(file.name()).good();
  if (!readable) {
    ConfigStore store(file.name().c_str());
    EXPECT_EQ(store.getText("S", "K", "default"), "default");
    EXPECT_NE(store.readError(), 0);
    store.putText("S", "K", "new");
  }
  fs::permissions(file.name(), fs::perms::owner_read | fs::perms::owner_write);
  if (readable) GTEST_SKIP() << "the file cannot be made unreadable here";
  EXPECT_EQ(file.text(), "[S]\r\nK=old\r\nOther=kept\r\n");
}

// The same, root included, for a path that names a folder and for a file too large to read.
TEST(ConfigStore, FolderInPlaceOfTheFileIsUnreadableNotMissing) {
  testing::TempTree tree;
  tree.file("Ostry.INI/keep.txt", "kept");
  {
    ConfigStore store(tree.native("Ostry.INI").c_str());
    EXPECT_EQ(store.getText("S", "K", "default"), "default");
    EXPECT_NE(store.readError(), 0);
    store.putText("S", "K", "new");
  }
  EXPECT_TRUE(fs::is_directory(tree.root() / "Ostry.INI"));
  // A file too large to read, whoever runs the test.
  const std::string head = "[S]\r\nK=old\r\n";
  tree.file("huge.ini", head);
  std::error_code error;
  fs::resize_file(tree.root() / "huge.ini", 0x100000000ull + 5, error);
  if (!error) {
    {
      ConfigStore store(tree.native("huge.ini").c_str());
      EXPECT_EQ(store.getText("S", "K", "default"), "default");
      EXPECT_NE(store.readError(), 0);
      store.putText("S", "K", "new");
    }
    EXPECT_EQ(fs::file_size(tree.root() / "huge.ini"), 0x100000000ull + 5);
    std::ifstream huge(tree.root() / "huge.ini", std::ios::binary);
    std::string start(head.size(), '\0');
    huge.read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, head);
  }
  EXPECT_FALSE(fs::exists(tree.root() / "Ostry.INI.new"));
  // A missing file is no error: it is made at the first write-back.
  ConfigStore fresh(tree.native("fresh.ini").c_str());
  EXPECT_EQ(fresh.getText("S", "K", "default"), "default");
  EXPECT_EQ(fresh.readError(), 0);
}

TEST(ConfigStore, EmptyNameWritesNothing) {
  {
    ConfigStore store("");
    store.putText("S", "K", "v");
    EXPECT_EQ(store.getText("S", "K"), "v");
    EXPECT_TRUE(store.changed());
  }
  EXPECT_FALSE(fs::exists(".new"));
}

TEST(ConfigStore, OperationsWithoutTheLockDoNothing) {
  SettingsFile file("[S]\r\nK=v\r\nN=5\r\n");
  ConfigStore store(file.name().c_str());
  std::atomic<bool> held{false}, release{false};
  std::thread holder([&] {
    ConfigStore::Lock lock(store);
    held = lock.held();
    while (!release) std::this_thread::yield();
  });
  while (!held) std::this_thread::yield();
  char out[8] = "mine";
  store.getText("S", "K", "default", out, sizeof out);
  EXPECT_STREQ(out, "mine");
  EXPECT_EQ(store.getNumber("S", "N", 9), 9u);
  store.putText("S", "K", "lost");
  EXPECT_FALSE(store.changed());
  release = true;
  holder.join();
  EXPECT_EQ(store.getText("S", "K"), "v");

  // The owning thread takes the lock again.
  ConfigStore::Lock lock(store);
  ASSERT_TRUE(lock.held());
  store.putText("S", "K", "w");
  EXPECT_EQ(store.getText("S", "K"), "w");
}

TEST(ReplaceFile, ReplacesTheTarget) {
  testing::TempTree tree;
  tree.file("from", "new");
  tree.file("to", "old contents");
  EXPECT_EQ(platform::replaceFile(tree.native("from").c_str(), tree.native("to").c_str()), 0);
  EXPECT_EQ(testing::readFile(tree.root() / "to"), "new");
  EXPECT_FALSE(fs::exists(tree.root() / "from"));
  EXPECT_NE(platform::replaceFile(tree.native("from").c_str(), tree.native("to").c_str()), 0);
  EXPECT_EQ(testing::readFile(tree.root() / "to"), "new");
}

TEST(ValueListFormat, Build) {
  const struct {
    const char* shape;
    std::size_t capacity;
    const char* expected;  // "" when it does not fit
  } cases[] = {
      {"5%d", kValueListFormatCapacity, "%d,%d,%d,%d,%d"},
      {"13%d,%s", kValueListFormatCapacity, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s"},
      {"2%lx", kPairFormatCapacity, "%lx,%lx"},
      {"%ld,%ld", kPairFormatCapacity, "%ld,%ld"},
      {"0%d,%s", kPairFormatCapacity, "%s"},
      {"16%lx", kSixteenValueFormatCapacity,
       "%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx"},
      {"16%lx", kValueListFormatCapacity,  // exactly 63 characters
       "%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx"},
      {"17%lx", kValueListFormatCapacity, ""},
      {"8%lx", kPairFormatCapacity, "%lx,%lx,%lx,%lx,%lx,%lx,%lx,%lx"},
      {"9%lx", kPairFormatCapacity, ""},
      {"99999999999999999999%d", kValueListFormatCapacity, ""},
      {"%d", 2, ""},
  };
  for (const auto& c : cases) {
    char out[kSixteenValueFormatCapacity];
    EXPECT_EQ(buildValueListFormat(c.shape, out, c.capacity), c.expected[0] != '\0') << c.shape;
    EXPECT_STREQ(out, c.expected) << c.shape;
  }
}

TEST(ValueListFormat, PrintAndScan) {
  const uint32_t numbers[3] = {uint32_t(-5), 255, 0xFFFFFFFF};
  char out[64];
  ASSERT_TRUE(printValueList("%d,%lx,%lu,%s", numbers, 3, "face, name", out, sizeof out));
  EXPECT_STREQ(out, "-5,ff,4294967295,face, name");
  EXPECT_FALSE(printValueList("%d,%d,%d,%d", numbers, 3, nullptr, out, sizeof out));
  EXPECT_FALSE(printValueList("%d,%s", numbers, 3, "too long", out, 8));
  EXPECT_STREQ(out, "");

  const struct {
    const char* value;
    bool hexadecimal;
    std::size_t fields;
  } cases[] = {
      {"1,2,3", false, 3},  {" 1, -2,+3", false, 3}, {"1,2", false, 2},
      {"1;2,3", false, 1},  {"x,2,3", false, 0},     {"12,0x1F,3", true, 3},
      {"12,fF,3", true, 3}, {"12,ff,3", false, 1},   {"1,,3", false, 1},
  };
  for (const auto& c : cases) {
    uint32_t read[3] = {};
    EXPECT_EQ(scanValueList(c.value, "%d,%lx,%u", c.hexadecimal, read, 3, nullptr, 0), c.fields)
        << c.value;
  }
  uint32_t read[2] = {};
  char text[8];
  EXPECT_EQ(scanValueList("7, -1, a face,  name", "%d,%d,%s", false, read, 2, text, sizeof text),
            3u);
  EXPECT_EQ(read[1], 0xFFFFFFFFu);
  EXPECT_STREQ(text, " a face");  // everything after the comma, cut to the capacity
}

TEST(ConfigValues, WindowPlacement) {
  testing::TempTree tree;
  ConfigStore store(tree.native("p.ini").c_str());
  const WindowPlacement saved[] = {{10, 20, 640, 480, false}, {-8, -8, 1936, 1056, true}};
  for (const WindowPlacement& placement : saved) {
    saveWindowPlacement(store, "Ostrya", placement);
    const WindowPlacement loaded = loadWindowPlacement(store, "Ostrya");
    EXPECT_EQ(loaded.left, placement.left);
    EXPECT_EQ(loaded.top, placement.top);
    EXPECT_EQ(loaded.width, placement.width);
    EXPECT_EQ(loaded.height, placement.height);
    EXPECT_EQ(loaded.maximised, placement.maximised);
  }
  EXPECT_EQ(store.getText("Ostrya", "Pos"), "-8,-8,1936,1056,3");

  const struct {
    const char* value;
    bool parses;
    bool maximised;
  } cases[] = {
      {"", false, false},
      {"1,2,3,4", false, false},
      {"a,b,c,d,e", false, false},
      {"1,2,3,4,x", false, false},
      {"1,2,3,4,5", true, false},
      {"1,2,3,4,1", true, false},
      {"1, 2, 3, 4, 3", true, true},
  };
  for (const auto& c : cases) {
    store.putText("Ostrya", "Pos", c.value);
    const WindowPlacement loaded = loadWindowPlacement(store, "Ostrya");
    EXPECT_EQ(loaded.left, c.parses ? 1 : kDefaultPosition) << c.value;
    EXPECT_EQ(loaded.height, c.parses ? 4 : kDefaultPosition) << c.value;
    EXPECT_EQ(loaded.maximised, c.maximised) << c.value;
  }
  EXPECT_EQ(uint32_t(kDefaultPosition), 0x80000000u);
}

TEST(ConfigValues, Options) {
  testing::TempTree tree;
  ConfigStore store(tree.native("o.ini").c_str());
  EXPECT_EQ(getOptions(store, "Ostrya"), 0u);
  putOptions(store, "Ostrya", 0x801000A0);
  EXPECT_EQ(getOptions(store, "Ostrya"), 0x801000A0u);
  EXPECT_EQ(store.getText("Ostrya", "Opt"), "2148532384");
}

// A drop-down list's items, as the window program keeps them in a combo box.
class VectorHistory final : public HistoryList {
 public:
  std::size_t count() const override { return items.size(); }
  void itemText(std::size_t index, char* out, std::size_t capacity) const override {
    const std::string item = index < items.size() ? items[index] : "";
    const std::size_t length = std::min(item.size(), capacity - 1);
    std::memcpy(out, item.data(), length);
    out[length] = '\0';
  }
  void append(const char* text) override { items.push_back(text); }
  std::vector<std::string> items;
};

TEST(ConfigValues, HistoryLists) {
  SettingsFile file(
      "[Find]\r\n1=old1\r\n2=old2\r\n3=old3\r\n4=old4\r\n5=old5\r\nx=other\r\n\r\n"
      "[Ostrya]\r\nOpt=1\r\n");
  ConfigStore store(file.name().c_str());
  VectorHistory list;
  loadHistoryList(store, list, "Find", 4);
  EXPECT_EQ(list.items, (std::vector<std::string>{"old1", "old2", "old3", "old4"}));

  list.items = {"*.txt", "*.cpp", "*.h"};
  saveHistoryList(store, list, "Find", kHistoryCount);
  EXPECT_EQ(store.contents(), "[Ostrya]\r\nOpt=1\r\n\r\n[Find]\r\n1=*.txt\r\n2=*.cpp\r\n3=*.h\r\n");

  // Only count items are kept, an empty item leaves its key out, and long ones are cut.
  list.items = {"a", "", std::string(300, 'c'), "d", "e"};
  saveHistoryList(store, list, "Find", 4);
  EXPECT_EQ(store.getText("Find", "2", "none"), "none");
  EXPECT_EQ(store.getText("Find", "3"), std::string(263, 'c'));
  EXPECT_EQ(store.getText("Find", "5", "none"), "none");
  VectorHistory loaded;
  loadHistoryList(store, loaded, "Find", kHistoryCount);
  EXPECT_EQ(loaded.items, (std::vector<std::string>{"a", std::string(263, 'c'), "d"}));

  // Keys are plain decimals: "01" is not key 1.
  store.putText("Path", "01", "zero-one");
  VectorHistory none;
  loadHistoryList(store, none, "Path", kHistoryCount);
  EXPECT_TRUE(none.items.empty());
}

TEST(ConfigValues, FontAndColours) {
  testing::TempTree tree;
  ConfigStore store(tree.native("c.ini").c_str());
  FontDescription font = {-13, 0, 0, 0, 700, 1, 0, 0, 238, 3, 2, 1, 49, "Courier New, Bold"};
  putFont(store, "View", "Font", font);
  EXPECT_EQ(store.getText("View", "Font"), "-13,0,0,0,700,1,0,0,238,3,2,1,49,Courier New, Bold");
  FontDescription loaded = {};
  ASSERT_TRUE(getFont(store, "View", "Font", loaded));
  EXPECT_EQ(loaded.height, -13);
  EXPECT_EQ(loaded.weight, 700);
  EXPECT_EQ(loaded.charSet, 238);
  EXPECT_EQ(loaded.pitchAndFamily, 49);
  EXPECT_STREQ(loaded.faceName, "Courier New, Bold");
  store.putText("View", "Font",
                (std::string("1,2,3,4,5,6,7,8,9,10,11,12,13,") + std::string(40, 'f')).c_str());
  ASSERT_TRUE(getFont(store, "View", "Font", loaded));
  EXPECT_EQ(std::string(loaded.faceName), std::string(31, 'f'));
  store.putText("View", "Font", "1,2,3,4,5,6,7,8,9,10,11,12,Arial");
  EXPECT_FALSE(getFont(store, "View", "Font", loaded));
  EXPECT_EQ(loaded.height, 1);  // untouched by the failed read

  constexpr uint32_t kBackground = 0xC0C0C0;
  putColours(store, "View", "Colours", {0x0000FF, 0xFFFFFF});
  EXPECT_EQ(store.getText("View", "Colours"), "#ff,ffffff");
  const struct {
    const char* value;
    uint32_t text, background;
  } cases[] = {
      {"#ff,ffffff", 0xFF, 0xFFFFFF}, {"255,65280", 255, 65280}, {"#10,10", 0, kBackground},
      {"", 0, kBackground},           {"#ff", 0, kBackground},   {"ff,ffffff", 0, kBackground},
  };
  for (const auto& c : cases) {
    store.putText("View", "Colours", c.value);
    const ColourPair colours = getColours(store, "View", "Colours", kBackground);
    EXPECT_EQ(colours.text, c.text) << c.value;
    EXPECT_EQ(colours.background, c.background) << c.value;
  }

  uint32_t custom[kCustomColourCount];
  getCustomColours(store, "View", custom);
  for (const uint32_t colour : custom) EXPECT_EQ(colour, 0xFFFFFFu);
  for (std::size_t i = 0; i < kCustomColourCount; ++i) custom[i] = uint32_t(i * 0x10101);
  putCustomColours(store, "View", custom);
  EXPECT_EQ(store.getText("View", "CC").substr(0, 16), "#0,10101,20202,3");
  uint32_t read[kCustomColourCount];
  getCustomColours(store, "View", read);
  EXPECT_TRUE(std::equal(std::begin(read), std::end(read), std::begin(custom)));
  store.putText("View", "CC", "#1,2,3,4,5,6,7,8,9,a,b,c,d,e,f");  // fifteen
  getCustomColours(store, "View", read);
  for (const uint32_t colour : read) EXPECT_EQ(colour, 0xFFFFFFu);
}

}  // namespace
}  // namespace ostrya
