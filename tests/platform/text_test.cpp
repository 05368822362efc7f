#include "platform/text.h"

#include <gtest/gtest.h>

namespace pavane::platform {
namespace {

TEST(Text, CaseBeyondAsciiTrimSplitAndReplace) {
  EXPECT_EQ(LowerCase("ÄÖÜ GRÜSSE Ελλάδα"), "äöü grüsse ελλάδα");
  EXPECT_EQ(UpperCase("strloc_été"), "STRLOC_ÉTÉ");
  EXPECT_EQ(Trim("  a b  "), "a b") << "Trim removes blanks only";
  EXPECT_EQ(Trim("\tvalue\r\n"), "\tvalue\r\n");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Split("", "\r\n"), std::vector<std::string>{""});
  EXPECT_EQ(Split("a\r\n\r\nb\r\n", "\r\n"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(Split("file=a=b", "="), (std::vector<std::string>{"file", "a", "b"}));
  EXPECT_EQ(ReplaceAll("{X}{X}x", "{X}", "{X}{X}"), "{X}{X}{X}{X}x") << "no rescanning";
  EXPECT_EQ(CharacterCount("aニュ"), 3u);
}

}  // namespace
}  // namespace pavane::platform
