// What the file commands hand to the shell: link names, path lists, rename targets, and the
// module messages filled from language texts.
#include "app/file_operations.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/path_text.h"
#include "platform/path.h"

namespace ostrya {
namespace {

const std::string kSep(1, platform::kPathSeparator);

TEST(FileOperations, ShortcutDropsTheLastExtensionAndStaysWithinThePathLimit) {
  struct Case {
    const char* desktop;
    const char* name;
    std::string link;
  } cases[] = {
      {"C:\\Desk", "report.final.doc", "C:\\Desk" + kSep + "report.final.lnk"},
      {"C:\\Desk\\", "tool", "C:\\Desk\\tool.lnk"},
      {"D", ".profile", "D" + kSep + ".profile.lnk"},  // all extension: the name stays
      {"C:\\Desk", "folder.d", "C:\\Desk" + kSep + "folder.lnk"},
  };
  for (const Case& c : cases) EXPECT_EQ(shortcutPath(c.desktop, c.name), c.link) << c.name;
  const std::string desktop(250, 'd');
  EXPECT_EQ(shortcutPath(desktop, "abcd.txt").size(), 259u);
  EXPECT_EQ(shortcutPath(desktop, "abcdef.txt"), "");  // 261 characters
}

TEST(FileOperations, PathListsEndEachPathAndTheListWithANul) {
  EXPECT_EQ(shellPathList({}), std::string(1, '\0'));
  EXPECT_EQ(shellPathList({"C:\\a b.txt", "D:\\c"}), std::string("C:\\a b.txt\0D:\\c\0\0", 17));
}

TEST(FileOperations, RenameStaysInTheFolderOfTheOldPath) {
  EXPECT_EQ(renamedPath("C:\\Data\\old.txt", "new name.txt"), "C:\\Data" + kSep + "new name.txt");
  EXPECT_EQ(renamedPath("C:\\old.txt", "n.txt"), "C:\\n.txt");  // the root keeps its backslash
  EXPECT_EQ(renamedPath("/home/u/old", "new"), "/home/u" + kSep + "new");
  // Nothing to rename to: an empty name, a name that would move the file, no folder at all.
  for (const char* name : {"", "..\\up.txt", "sub/x.txt", "C:\\elsewhere.txt"})
    EXPECT_EQ(renamedPath("C:\\Data\\old.txt", name), "") << name;
  EXPECT_EQ(renamedPath("old.txt", "new.txt"), "");
  const std::string folder = "C:\\" + std::string(250, 'f');
  EXPECT_EQ(renamedPath(folder + "\\o", "123456").size(), 260u);
  EXPECT_EQ(renamedPath(folder + "\\o", "1234567").size(), 261u);
  EXPECT_EQ(renamedPath(folder + "\\o", "12345678"), "");
}

TEST(FileOperations, ModuleMessagesFillTwoPlacesAndNothingElse) {
  EXPECT_EQ(moduleMessage("%s in %s failed.", "DllRegisterServer", "C:\\Sys\\mod.dll"),
            "DllRegisterServer in mod.dll failed.");
  EXPECT_EQ(moduleMessage("%s fehlt in %s", "E", "/x/y.dll"), "E fehlt in y.dll");
  // A language file's own percent signs stay text; a third "%s" has nothing left to take.
  EXPECT_EQ(moduleMessage("100% %n %s %s %s %", "E", "m.dll"), "100% %n E m.dll %s %");
  EXPECT_EQ(moduleMessage("", "E", "m.dll"), "");
}

TEST(PathText, JoinSplitAndParent) {
  EXPECT_EQ(joinedPath("C:\\a", "b"), "C:\\a" + kSep + "b");
  EXPECT_EQ(joinedPath("C:\\a/", "b"), "C:\\a/b");
  EXPECT_EQ(parentOf("C:\\a\\b"), "C:\\a");
  EXPECT_EQ(parentOf("C:\\b"), "C:\\");
  EXPECT_EQ(parentOf("/b"), "/");
  EXPECT_EQ(parentOf("b"), "");
  EXPECT_EQ(fileNameOf("C:\\a/b.txt"), "b.txt");
  EXPECT_EQ(fileNameOf("b.txt"), "b.txt");
}

}  // namespace
}  // namespace ostrya
