// Texts the desktop backend builds for GTK and WebKit: script literals and
// caption markup. No display needed.
#include <gtest/gtest.h>
#include <pango/pango.h>

#include "os/gtk/caption_text.h"
#include "os/gtk/script_literal.h"

namespace pavane::os::gtk {
namespace {

TEST(ScriptLiteral, EscapesWhatWouldEndTheLiteralOrTheScript) {
  EXPECT_EQ(ScriptLiteral("Anna"), "\"Anna\"") << "plain text as it is";
  EXPECT_EQ(ScriptLiteral("say \"hi\" \\ 'x'"), "\"say \\\"hi\\\" \\\\ 'x'\"")
      << "double quotes and backslashes";
  EXPECT_EQ(ScriptLiteral("a\nb\r\tc"), "\"a\\nb\\r\\tc\"") << "line ends and tabs";
  EXPECT_EQ(ScriptLiteral(std::string("a\0b\x01\x7f", 5)), "\"a\\u0000b\\u0001\\u007F\"")
      << "NUL and other control characters";
  EXPECT_EQ(ScriptLiteral("</script><b>"), "\"<\\/script><b>\"") << "a closing tag";
  EXPECT_EQ(ScriptLiteral("x\xE2\x80\xA8y\xE2\x80\xA9z"), "\"x\\u2028y\\u2029z\"")
      << "the Unicode line and paragraph separators end a JavaScript line";
  EXPECT_EQ(ScriptLiteral("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"),
            "\"Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\"")
      << "other characters unchanged";
  EXPECT_EQ(ScriptLiteral("a\xFF"
                          "b\xC3"),
            "\"a\\uFFFDb\\uFFFD\"")
      << "broken UTF-8";
  EXPECT_EQ(ScriptLiteral("\xED\xA0\x80"), "\"\\uFFFD\\uFFFD\\uFFFD\"") << "an encoded surrogate";
}

bool ValidMarkup(const std::string& markup) {
  return pango_parse_markup(markup.c_str(), -1, 0, nullptr, nullptr, nullptr, nullptr);
}

TEST(CaptionText, LinkMarkersBecomePangoMarkup) {
  EXPECT_EQ(LinkCaptionMarkup("[<forecolor=FF0000>License</forecolor>]"),
            "[<span foreground=\"#FF0000\">License</span>]")
      << "brackets";
  EXPECT_EQ(LinkCaptionMarkup("(<u><forecolor=FF0000>Privacy</forecolor></u>)"),
            "(<u><span foreground=\"#FF0000\">Privacy</span></u>)")
      << "parentheses";
  EXPECT_EQ(LinkCaptionMarkup("Terms & <b>\"x\"</b>"),
            "Terms &amp; &lt;b&gt;&quot;x&quot;&lt;/b&gt;")
      << "everything else is text";
  EXPECT_EQ(LinkCaptionMarkup("<forecolor=00FF00>open <u>end"),
            "<span foreground=\"#00FF00\">open <u>end</u></span>")
      << "open tags are closed";
  EXPECT_EQ(LinkCaptionMarkup("a</u>b<forecolor=XYZ>c"), "a&lt;/u&gt;b&lt;forecolor=XYZ&gt;c")
      << "a stray closing tag and a bad colour are text";
  EXPECT_EQ(LinkCaptionMarkup("<u><forecolor=FF0000>x</u></forecolor>"),
            "<u><span foreground=\"#FF0000\">x&lt;/u&gt;</span></u>")
      << "crossed tags stay well nested";
  for (const char* caption : {"[<forecolor=FF0000>A</forecolor>]", "<u><u>x", "</forecolor>",
                              "a < b > c & d", "<forecolor=FF0000>", "\xE6\x97\xA5 <u>y</u>"}) {
    EXPECT_TRUE(ValidMarkup(LinkCaptionMarkup(caption))) << caption;
  }
}

TEST(CaptionText, AccessKeysAndSpokenNames) {
  EXPECT_EQ(MnemonicCaption("&Next >"), "_Next >");
  EXPECT_EQ(MnemonicCaption("Fish && Chips"), "Fish & Chips");
  EXPECT_EQ(MnemonicCaption("snake_case &"), "snake__case &") << "underscores are text in GTK too";
  EXPECT_EQ(AccessibleCaption("&Next >", false), "Next >");
  EXPECT_EQ(AccessibleCaption("(<u><forecolor=FF0000>Privacy</forecolor></u>)", true), "(Privacy)");
  EXPECT_EQ(AccessibleCaption("Terms & <b>", true), "Terms & <b>");
}

}  // namespace
}  // namespace pavane::os::gtk
