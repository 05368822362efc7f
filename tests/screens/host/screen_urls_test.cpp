#include <gtest/gtest.h>

#include "screens/host/screen.h"

namespace pavane::screens {
namespace {

TEST(ScreenHost, ColourStringsAreRedGreenBlue) {
  EXPECT_EQ(ColorString(0x00FFA008), "08A0FF") << "red 8, green 160, blue 255";
  EXPECT_EQ(ColorString(0x00F0F0F0), "F0F0F0");
  EXPECT_EQ(ColorString(0), "000000");
}

}  // namespace
}  // namespace pavane::screens
