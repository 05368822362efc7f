#include "platform/windows_command_line.h"

#include <gtest/gtest.h>

namespace pavane::platform {
namespace {

using Args = std::vector<std::string>;

TEST(WindowsCommandLineTest, ProgramPathKeepsBackslashesAndEndsAtBlankOutsideQuotes) {
  EXPECT_EQ(SplitWindowsCommandLine(R"("C:\Program Files\FW\Fetchwick.exe" /x)"),
            (Args{R"(C:\Program Files\FW\Fetchwick.exe)", "/x"}))
      << "quoted path with blank";
  EXPECT_EQ(SplitWindowsCommandLine(R"(C:\a\b.exe /x)"), (Args{R"(C:\a\b.exe)", "/x"}))
      << "unquoted path";
  EXPECT_EQ(SplitWindowsCommandLine(R"("C:\dir\\" arg)"), (Args{R"(C:\dir\\)", "arg"}))
      << "backslashes before the closing quote are not escapes in the program path";
  EXPECT_EQ(SplitWindowsCommandLine(R"(  "a b"c d)"), (Args{"a bc", "d"}))
      << "leading blanks skipped; text after the quote joins the path";
  EXPECT_EQ(SplitWindowsCommandLine(R"("unterminated path)"), (Args{"unterminated path"}));
}

TEST(WindowsCommandLineTest, BlanksTabsAndEmptyLines) {
  EXPECT_TRUE(SplitWindowsCommandLine("").empty());
  EXPECT_TRUE(SplitWindowsCommandLine(" \t ").empty());
  EXPECT_EQ(SplitWindowsCommandLine("p a\t\tb   c \t"), (Args{"p", "a", "b", "c"}));
  EXPECT_EQ(SplitWindowsCommandLine(R"(p "" x "")"), (Args{"p", "", "x", ""}))
      << "an empty quoted argument is kept";
}

TEST(WindowsCommandLineTest, QuotesAndBackslashes) {
  struct Case {
    const char* line;
    Args expected;
  };
  // The argument rules with the examples Microsoft documents for its C runtime.
  const Case cases[] = {
      {R"(p "a b c" d e)", {"p", "a b c", "d", "e"}},
      {R"(p "ab\"c" "\\" d)", {"p", R"(ab"c)", R"(\)", "d"}},
      {R"(p a\\\b d"e f"g h)", {"p", R"(a\\\b)", "de fg", "h"}},
      {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
      {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
      {R"(p a"b"" c d)", {"p", R"(ab" c d)"}},
      {R"(p "a""b" c)", {"p", R"(a"b)", "c"}},
      {R"(p ab\ c\\)", {"p", R"(ab\)", R"(c\\)"}},
      {R"(p "open to the end)", {"p", "open to the end"}},
      {R"(p /http=http:\\host\sw\setup.exe)", {"p", R"(/http=http:\\host\sw\setup.exe)"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitWindowsCommandLine(c.line), c.expected) << c.line;
  }
}

}  // namespace
}  // namespace pavane::platform
