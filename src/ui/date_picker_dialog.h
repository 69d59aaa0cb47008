// Win32 only: the date and time picker.
#pragma once

#include <windows.h>

#include "app/date_picker.h"

namespace ostrya {

struct MainWindow;

// Opens the picker on the record (at the current moment when its day is 0); true and the chosen
// date and time in the record after OK.
bool pickDateAndTime(MainWindow& w, HWND owner, PickerRecord& record);

}  // namespace ostrya
