// Win32 only: pictures of the screen for a person to look at after the suite ran.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrya::uitest {

// The whole screen as rows of blue, green, red and unused bytes, top row first.
struct ScreenPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgrx;

  // The share (0 to 1) of the area's pixels that differ from the other picture's.
  double differenceIn(const ScreenPicture& other, const RECT& area) const;
  // How many of the area's pixels have the colour.
  std::size_t pixelsOf(const RECT& area, COLORREF colour) const;
};

ScreenPicture captureScreen();
// Saves the picture as NAME.png in the folder "screenshots" beside the test program; false when
// it could not.
bool savePicture(const ScreenPicture& picture, const std::string& name);
bool saveScreenshot(const std::string& name);

}  // namespace ostrya::uitest
