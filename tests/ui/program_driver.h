// Win32 only: starts the real window program in a folder of its own and talks to it by
// messages, as a user's tools would.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "screenshot.h"

namespace ostrya::uitest {

// A folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  void file(const std::string& relative, const std::string& contents) const;
  std::string text(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

// Polls until the condition holds, handling the test's own messages; false after the timeout.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Ostrya.exe copied into `folder` (with whatever configuration file the test left there) and
// started; the constructor returns once its main window exists (or the language dialog, when
// `expectLanguageDialog` is set).
class RunningProgram {
 public:
  RunningProgram(const std::filesystem::path& folder, const std::string& arguments = "",
                 bool expectLanguageDialog = false);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return main_ != nullptr || dialog_ != nullptr; }
  HWND main();
  HWND dialog() const { return dialog_; }
  HWND control(int id);
  // A dialog or other top-level window of the program, by class; null when there is none.
  HWND topLevel(const char* className) const;
  // The program's dialog with this caption, once it shows; null when none comes in time.
  HWND waitForDialog(const std::string& caption, DWORD timeoutMs = 10000);

  std::string text(int id);
  void setText(int id, const std::string& text);
  void command(int id);
  // Returns once the window has handled the command.
  void commandNow(int id);
  bool checked(int id);
  int itemCount();
  bool buttonEnabled(int command);
  std::string cellText(int row, int column);
  // The same for another list view of the program, such as a dialog's.
  std::string cellText(HWND list, int row, int column);
  std::string columnTitle(int column);
  std::string statusText(int part);
  // Selects exactly these rows of the result list and focuses the first.
  void selectRows(const std::vector<int>& rows);
  void selectRows(HWND list, const std::vector<int>& rows);
  // The in-place edit of a rename, once it shows; null when none comes.
  HWND renameEdit();
  // A click on the result list's header, in the column's left part.
  void clickColumnHeader(int column);
  // Selects the first entry of a dialog's list box that contains `part`; false when none does.
  bool selectListEntry(HWND dialog, int id, const std::string& part);
  // The control's rectangle in the main window's client coordinates.
  RECT clientRect(int id);
  // The result list's order array: for each place from the left, the sub-item shown there.
  std::vector<int> columnOrder();
  // The result list's header item at a display position, in screen coordinates.
  RECT headerItemRect(int index);
  // The screen once the main window and its children have painted what they hold now.
  ScreenPicture drawnPicture();
  // Saves a picture of a window of the program that has just opened, taken again until most of
  // its place differs from `before` (the screen before it opened): a window that exists is not
  // yet one that has been drawn. False when it never shows.
  bool savePictureOf(HWND shown, const ScreenPicture& before, const std::string& name);

  // Posts WM_CLOSE and waits for the process; returns its exit code, or -1 when it does not end.
  int close();
  bool running() const;
  // Waits until no search is going (the Search button enabled again). Only reliable once the run
  // has been seen going, since the buttons change from the run's thread.
  bool waitForSearchEnd();

 private:
  // Reads `size` bytes that a message writes through a pointer inside the program.
  std::string remoteCall(HWND window, UINT message, WPARAM wParam, const void* request,
                         std::size_t requestSize, std::size_t textOffset, std::size_t textSize);
  PROCESS_INFORMATION process_ = {};
  HWND main_ = nullptr;
  HWND dialog_ = nullptr;
};

// The program under test, as given on the command line.
const std::filesystem::path& programUnderTest();
void setProgramUnderTest(const std::filesystem::path& program);

}  // namespace ostrya::uitest
