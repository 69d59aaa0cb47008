// Win32 only: writing the result list to a file the user names.
#pragma once

#include <windows.h>

#include "results/export.h"

namespace ostrya {

struct MainWindow;

// The last file name used for each format, offered again by its save dialog while the program
// runs.
struct ExportNames {
  char text[MAX_PATH] = "";
  char csv[MAX_PATH] = "";
  char html[MAX_PATH] = "";
};

// Asks for a file name, then writes every row in the list's order. A file that cannot be written
// is said in the system's words, and nothing of a failed export is left behind.
void exportList(MainWindow& w, ExportFormat format);

}  // namespace ostrya
