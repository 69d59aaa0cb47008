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

// A 32-bit partner's handle with bit 31 set names the same window in a 64-bit program only when
// widened by sign extension; zero extension would name another window.
TEST(StartUp, PartnerHandleWidensAsWindowsWidensSharedHandles) {
  EXPECT_EQ(widenWindowHandle(0x00010ABCul), 0x00010ABC);
  EXPECT_EQ(widenWindowHandle(0x7FFFFFFFul), 0x7FFFFFFF);
  EXPECT_EQ(widenWindowHandle(0x80000010ul), static_cast<std::intptr_t>(-0x7FFFFFF0));
  EXPECT_EQ(widenWindowHandle(0xFFFFFFFEul), static_cast<std::intptr_t>(-2));
  // Only the low 32 bits carry the handle; what a wider argument holds above them is ignored.
  EXPECT_EQ(widenWindowHandle(readFirstArgument("4294967295").partnerWindow), -1);
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
