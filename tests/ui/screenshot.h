// Win32 only: pictures of the screen for a person to look at after the suite ran.
#pragma once

#include <string>

namespace ostrya::uitest {

// Saves the whole screen as NAME.png in the folder "screenshots" beside the test program;
// false when it could not.
bool saveScreenshot(const std::string& name);

}  // namespace ostrya::uitest
