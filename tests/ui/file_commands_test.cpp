// The commands that act on found files, and the export, driven in the running program: the
// files on disk and the rows of the list are checked after each.
#include <windows.h>
// after windows.h, which they need
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/command_ids.h"
#include "program_driver.h"
#include "scenario.h"
#include "screenshot.h"
#include "ui/resources.h"

namespace ostrya::uitest {

bool findTextFilesByName(RunningProgram& program, const ScratchFolder& scratch) {
  program.setText(id(kPanelNamePatterns), "*.txt");
  program.setText(id(kPanelLookIn), treeOf(scratch));
  program.command(kCmdSearch);
  // The first search of a Wine session waits for the shell's icons for some seconds.
  if (!waitUntil([&] { return program.itemCount() == 3; }, 30000) || !program.waitForSearchEnd())
    return false;
  // A sort is refused until the run is over, which the totals text marks; asked again until
  // it is taken.
  return waitUntil(
      [&] {
        program.commandNow(kCmdSortByName);
        return program.statusText(1).rfind("Total 3 files", 0) == 0 &&
               program.cellText(0, 0) == "a.txt" && program.cellText(2, 0) == "c.txt";
      },
      30000);
}

namespace {

namespace fs = std::filesystem;

bool present(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

uintmax_t sizeOf(const fs::path& path) {
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  return error ? 0 : size;
}

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The copy target dialog filled and confirmed.
bool chooseCopyTarget(RunningProgram& program, const std::string& caption, const fs::path& folder,
                      const std::string& picture = "") {
  HWND dialog = program.waitForDialog(caption);
  if (dialog == nullptr) return false;
  SetDlgItemTextA(dialog, kCopyTargetFolder, folder.string().c_str());
  if (!picture.empty()) {
    EXPECT_TRUE(savePicture(program.drawnPicture(), picture));
  }
  PostMessageA(dialog, WM_COMMAND, 99, 0);
  return waitUntil([&] { return !IsWindow(dialog); });
}

TEST(FileCommands, CopyMoveRenameAndDeleteActOnTheFilesAndTheList) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  fs::create_directories(scratch.path() / "copies");
  fs::create_directories(scratch.path() / "moved");
  const fs::path tree = treeOf(scratch);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(findTextFilesByName(program, scratch));

  // Copy: every selected file, the list unchanged; the folder joins the copy history.
  program.selectRows({0, 1, 2});
  program.command(kCmdCopy);
  ASSERT_TRUE(chooseCopyTarget(program, "Copy", scratch.path() / "copies", "copy-target-dialog"));
  EXPECT_TRUE(waitUntil([&] {
    return present(scratch.path() / "copies" / "a.txt") &&
           present(scratch.path() / "copies" / "b.txt") &&
           present(scratch.path() / "copies" / "c.txt");
  }));
  EXPECT_TRUE(present(tree / "a.txt"));
  EXPECT_EQ(program.itemCount(), 3);

  // Move: the file goes, its row goes, the totals follow.
  program.selectRows({0});
  program.command(kCmdMove);
  ASSERT_TRUE(chooseCopyTarget(program, "Move", scratch.path() / "moved"));
  ASSERT_TRUE(waitUntil([&] { return program.itemCount() == 2; })) << program.itemCount();
  EXPECT_TRUE(present(scratch.path() / "moved" / "a.txt"));
  EXPECT_FALSE(present(tree / "a.txt"));
  EXPECT_EQ(program.cellText(0, 0), "b.txt");
  EXPECT_EQ(program.statusText(1).rfind("Total 2 files", 0), 0u) << program.statusText(1);

  // Rename in place: the new name on disk and in its row.
  program.selectRows({0});
  program.command(kCmdRename);
  HWND edit = program.renameEdit();
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("z-renamed.txt"));
  program.command(kCmdEnter);
  ASSERT_TRUE(waitUntil([&] { return present(tree / "z-renamed.txt"); }));
  EXPECT_FALSE(present(tree / "b.txt"));
  // Sorted by name again: the renamed row moves behind c.txt.
  EXPECT_TRUE(waitUntil([&] { return program.cellText(1, 0) == "z-renamed.txt"; }))
      << program.cellText(1, 0);
  EXPECT_EQ(program.cellText(0, 0), "c.txt");

  // A name that is taken: the shell refuses, says so, and nothing changes.
  scratch.file("tree\\sub\\taken.dat", "taken");
  program.selectRows({0});
  program.command(kCmdRename);
  edit = program.renameEdit();
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("taken.dat"));
  program.command(kCmdEnter);
  HWND refusal = nullptr;
  EXPECT_TRUE(waitUntil([&] {
    refusal = program.topLevel("#32770");
    return refusal != nullptr && IsWindowVisible(refusal);
  }));
  if (refusal != nullptr) {
    EXPECT_TRUE(savePicture(program.drawnPicture(), "rename-refused"));
    PostMessageA(refusal, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(refusal); }));
  }
  EXPECT_TRUE(present(tree / "sub" / "c.txt"));
  EXPECT_EQ(program.cellText(0, 0), "c.txt");
  EXPECT_EQ(program.itemCount(), 2);

  // Esc cancels a rename: the old name stays.
  program.selectRows({0});
  program.command(kCmdRename);
  edit = program.renameEdit();
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("never.txt"));
  program.command(kCmdEscape);
  EXPECT_TRUE(waitUntil([&] {
    return SendMessageA(program.control(id(kPanelResultList)), LVM_GETEDITCONTROL, 0, 0) == 0;
  }));
  EXPECT_TRUE(present(tree / "sub" / "c.txt"));
  EXPECT_FALSE(present(tree / "sub" / "never.txt"));

  // Delete: to the recycle bin after the shell's question; the row goes with the file.
  program.selectRows({0});
  program.command(kCmdDelete);
  HWND question = nullptr;
  ASSERT_TRUE(waitUntil([&] {
    question = program.topLevel("#32770");
    return question != nullptr && IsWindowVisible(question);
  }));
  EXPECT_TRUE(savePicture(program.drawnPicture(), "delete-question"));
  PostMessageA(question, WM_COMMAND, IDYES, 0);
  ASSERT_TRUE(waitUntil([&] { return program.itemCount() == 1; })) << program.itemCount();
  EXPECT_FALSE(present(tree / "sub" / "c.txt"));
  EXPECT_EQ(program.cellText(0, 0), "z-renamed.txt");
  EXPECT_EQ(program.statusText(1).rfind("Total 1 file", 0), 0u) << program.statusText(1);
  EXPECT_EQ(program.close(), 0);

  const std::string ini = scratch.text("Ostry.INI");
  EXPECT_NE(ini.find("[Copy]\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find((scratch.path() / "moved").string()), std::string::npos) << ini;
}

HWND windowOfClass(const char* className) {
  return FindWindowA(className, nullptr);
}

// Shortcut, edit and module registration hand the file to the shell or to the module loader.
TEST(FileCommands, ShortcutEditAndRegisterReachTheShell) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  char desktop[MAX_PATH] = "";
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE));
  const fs::path link = fs::path(desktop) / "a.lnk";
  std::error_code ignored;
  fs::remove(link, ignored);
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(findTextFilesByName(program, scratch));

  // The shortcut of a.txt is a.lnk on the desktop.
  program.selectRows({0});
  program.command(kCmdMakeShortcut);
  EXPECT_TRUE(waitUntil([&] { return sizeOf(link) > 0; })) << link;
  fs::remove(link, ignored);

  // Edit opens the file in Notepad.
  program.command(kCmdEdit);
  HWND notepad = nullptr;
  EXPECT_TRUE(waitUntil([&] { return (notepad = windowOfClass("Notepad")) != nullptr; }));
  if (notepad != nullptr) {
    // Notepad names its window "Untitled" until it has read the file.
    char title[MAX_PATH] = "";
    EXPECT_TRUE(waitUntil([&] {
      GetWindowTextA(notepad, title, sizeof title);
      return std::string(title).find("a.txt") != std::string::npos;
    })) << title;
    PostMessageA(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(notepad); }));
  }

  // A text file is no module: the loader's reason is shown, captioned with the program's name.
  for (int command : {kCmdRegister, kCmdUnregister}) {
    program.command(command);
    HWND refusal = program.waitForDialog("Ostrya");
    ASSERT_NE(refusal, nullptr) << command;
    char text[256] = "";
    GetDlgItemTextA(refusal, 0xFFFF, text, sizeof text);
    EXPECT_NE(text[0], '\0');
    PostMessageA(refusal, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(refusal); }));
  }
  EXPECT_EQ(program.close(), 0);
}

// The window's export against the command line's, which share the writers: the same rows in the
// same order give the same bytes.
TEST(FileCommands, ExportWritesWhatTheCommandLineWrites) {
  ScratchFolder scratch;
  makeTree(scratch);
  scratch.file("Ostry.INI", kEnglish);
  const fs::path finder = programUnderTest().parent_path() / "ostrya-find.exe";
  ASSERT_TRUE(present(finder)) << finder;
  struct Format {
    int command;
    const char* name;
    const char* file;
  } formats[] = {{kCmdExportText, "text", "list.txt"},
                 {kCmdExportCsv, "csv", "list.csv"},
                 {kCmdExportHtml, "html", "list.htm"}};
  RunningProgram program(scratch.path());
  ASSERT_NE(program.main(), nullptr);
  ASSERT_TRUE(findTextFilesByName(program, scratch));
  for (const Format& format : formats) {
    const fs::path target = scratch.path() / format.file;
    program.command(format.command);
    HWND dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] {
      dialog = program.topLevel("#32770");
      return dialog != nullptr && IsWindowVisible(dialog);
    })) << format.name;
    if (format.command == kCmdExportText) {
      EXPECT_TRUE(savePicture(program.drawnPicture(), "export-save-dialog"));
    }
    // The file name field of the shell's save dialog, in either of its forms.
    SetDlgItemTextA(dialog, 0x47c, target.string().c_str());
    SetDlgItemTextA(dialog, 0x480, target.string().c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog) && sizeOf(target) > 0; })) << format.name;
    Sleep(200);

    const fs::path expected = scratch.path() / (std::string("expected-") + format.file);
    const std::string command = "\"" + finder.string() + "\" --config \"" +
                                (scratch.path() / "Ostry.INI").string() +
                                "\" --sort=name --format=" + format.name + " --output \"" +
                                expected.string() + "\" \"*.txt\" \"" + treeOf(scratch) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(fileBytes(target), fileBytes(expected)) << format.name;
  }

  // A target that cannot be made is said in the system's words, and no file is left.
  scratch.file("blocker", "a file where a folder would have to be");
  const fs::path unwritable = scratch.path() / "blocker" / "list.txt";
  program.command(kCmdExportText);
  HWND dialog = program.waitForDialog("Save As");
  ASSERT_NE(dialog, nullptr);
  SetDlgItemTextA(dialog, 0x47c, unwritable.string().c_str());
  SetDlgItemTextA(dialog, 0x480, unwritable.string().c_str());
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  HWND box = program.waitForDialog("list.txt");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(savePicture(program.drawnPicture(), "export-error"));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
  EXPECT_FALSE(present(unwritable));
  EXPECT_EQ(program.close(), 0);
}

}  // namespace
}  // namespace ostrya::uitest
