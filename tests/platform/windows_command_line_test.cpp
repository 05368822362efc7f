#include "platform/windows_command_line.h"

#include <gtest/gtest.h>

namespace pavane::platform {
namespace {

using Args = std::vector<std::string>;

TEST(WindowsCommandLineTest, SplitsAsTheCRuntimeDoes) {
  struct Case {
    const char* line;
    Args expected;
    const char* why = "";
  };
  const Case cases[] = {
      // The program path keeps its backslashes and ends at a blank outside quotes.
      {R"("C:\Program Files\FW\Fetchwick.exe" /x)", {R"(C:\Program Files\FW\Fetchwick.exe)", "/x"}},
      {R"(C:\a\b.exe /x)", {R"(C:\a\b.exe)", "/x"}},
      {R"("C:\dir\\" arg)", {R"(C:\dir\\)", "arg"}, "no escapes in the program path"},
      {R"(  "a b"c d)", {"a bc", "d"}, "text after the quote joins the path"},
      {"", {}},
      {"p a\t\tb   c \t", {"p", "a", "b", "c"}},
      {R"(p "" x "")", {"p", "", "x", ""}, "an empty quoted argument is kept"},
      // The argument rules with the examples Microsoft documents for its C runtime.
      {R"(p "a b c" d e)", {"p", "a b c", "d", "e"}},
      {R"(p "ab\"c" "\\" d)", {"p", R"(ab"c)", R"(\)", "d"}},
      {R"(p a\\\b d"e f"g h)", {"p", R"(a\\\b)", "de fg", "h"}},
      {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
      {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
      {R"(p "a""b" c)", {"p", R"(a"b)", "c"}},
      {R"(p "open to the end)", {"p", "open to the end"}},
      {R"(p /http=http:\\host\sw\setup.exe)", {"p", R"(/http=http:\\host\sw\setup.exe)"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitWindowsCommandLine(c.line), c.expected) << c.line << " " << c.why;
  }
}

// Whatever a value holds, quoting it and splitting the line gives it back, and
// a value that needs nothing is written as it is.
TEST(WindowsCommandLineTest, QuotedArgumentsComeBackWhole) {
  for (const std::string value :
       {"/target=/tmp/Temp Files/Setup.exe", R"(say "hi" \"there\")", R"(/target=C:\Temp Dir\)",
        "tab\there", "", R"(\\server\share\)"}) {
    EXPECT_EQ(SplitWindowsCommandLine("p " + QuoteWindowsArgument(value) + " next"),
              (Args{"p", value, "next"}))
        << value;
  }
  EXPECT_EQ(QuoteWindowsArgument(R"(/http=http:\\host\a.exe)"), R"(/http=http:\\host\a.exe)");
}

}  // namespace
}  // namespace pavane::platform
