#include <gtest/gtest.h>

#include "screens/host/screen.h"

namespace pavane::screens {
namespace {

TEST(ScreenHost, ColourStringsAreRedGreenBlue) {
  EXPECT_EQ(ColorString(0x00FFA008), "08A0FF") << "red 8, green 160, blue 255";
  EXPECT_EQ(ColorString(0x00F0F0F0), "F0F0F0");
  EXPECT_EQ(ColorString(0), "000000");
}

TEST(ScreenHost, FileUrlsEscapeThePathAndKeepTheQuery) {
  EXPECT_EQ(
      FileUrl("/opt/HTML Screens/Pavane/localized/ja/EmailText.htm?application=OL&x=\"a b\""),
      "file:///opt/HTML%20Screens/Pavane/localized/ja/EmailText.htm?application=OL&x=\"a b\"");
  EXPECT_EQ(FileUrl("/a/b%c/d.htm"), "file:///a/b%25c/d.htm");
}

}  // namespace
}  // namespace pavane::screens
