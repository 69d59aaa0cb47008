#include "app/start_up.h"

#include <gtest/gtest.h>

namespace ostrya {
namespace {

TEST(StartUp, PartnerWindowOrFolder) {
  struct Case {
    const char* argument;
    unsigned long partner;
    const char* lookIn;
  } cases[] = {
      {"131242", 131242, ""},
      {"65600 extra", 65600, ""},  // only the leading digits count
      {"C:\\Data", 0, "C:\\Data"},
      {"0", 0, "0"},  // not a window: taken as a folder name, used only if it exists
      {"007", 7, ""},
      {"", 0, ""},
      {"4294967297", 1, ""},  // handles are 32 bits wide
      {"2024 Reports", 2024, ""},
  };
  for (const Case& c : cases) {
    const FirstArgument got = readFirstArgument(c.argument);
    EXPECT_EQ(got.partnerWindow, c.partner) << c.argument;
    EXPECT_EQ(got.lookIn, c.lookIn) << c.argument;
  }
}

TEST(StartUp, RootOfTheWindowsFolder) {
  struct Case {
    const char* path;
    const char* root;
  } cases[] = {
      {"C:\\WINDOWS", "C:\\"},
      {"d:\\", "d:\\"},
      {"E:", "E:\\"},
      {"\\\\server\\share\\Windows", "\\\\server\\share\\"},
      {"\\\\server\\share", "\\\\server\\share\\"},
      {"\\\\server", ""},
      {"\\\\server\\", ""},
      {"Windows", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(rootOfPath(c.path), c.root) << c.path;
}

}  // namespace
}  // namespace ostrya
