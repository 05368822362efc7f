// Texts the desktop backend builds for GTK and WebKit: script literals and
// caption markup. No display needed.
#include <gtest/gtest.h>

#include "os/gtk/caption_text.h"
#include "os/gtk/script_literal.h"

namespace pavane::os::gtk {
namespace {

using Rows = std::initializer_list<std::pair<std::string, std::string>>;

TEST(ScriptLiteral, EscapesWhatWouldEndTheLiteralOrTheScript) {
  for (const auto& [text, literal] : Rows{
           {"Anna", "\"Anna\""},
           {"say \"hi\" \\ 'x'", "\"say \\\"hi\\\" \\\\ 'x'\""},
           {"a\nb\r\tc", "\"a\\nb\\r\\tc\""},
           {std::string("a\0b\x01\x7f", 5), "\"a\\u0000b\\u0001\\u007F\""},
           {"</script><b>", "\"<\\/script><b>\""},
           // The Unicode line and paragraph separators end a JavaScript line.
           {"x\xE2\x80\xA8y\xE2\x80\xA9z", "\"x\\u2028y\\u2029z\""},
           {"Caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80",
            "\"Caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80\""},
           // Broken UTF-8 and an encoded surrogate.
           {"a\xFF-b\xC3", "\"a\\uFFFD-b\\uFFFD\""},
           {"\xED\xA0\x80", "\"\\uFFFD\\uFFFD\\uFFFD\""},
       }) {
    EXPECT_EQ(ScriptLiteral(text), literal) << text;
  }
}

TEST(CaptionText, LinkMarkersBecomePangoMarkup) {
  for (const auto& [caption, markup] : Rows{
           {"[<forecolor=FF0000>License</forecolor>]",
            "[<span foreground=\"#FF0000\">License</span>]"},
           {"(<u><forecolor=FF0000>Privacy</forecolor></u>)",
            "(<u><span foreground=\"#FF0000\">Privacy</span></u>)"},
           {"Terms & <b>\"x\"</b>", "Terms &amp; &lt;b&gt;&quot;x&quot;&lt;/b&gt;"},
           // Open tags are closed; a stray closing tag and a bad colour are
           // text; crossed tags stay well nested.
           {"<forecolor=00FF00>open <u>end", "<span foreground=\"#00FF00\">open <u>end</u></span>"},
           {"a</u>b<forecolor=XYZ>c", "a&lt;/u&gt;b&lt;forecolor=XYZ&gt;c"},
           {"<u><forecolor=FF0000>x</u></forecolor>",
            "<u><span foreground=\"#FF0000\">x&lt;/u&gt;</span></u>"},
       }) {
    EXPECT_EQ(LinkCaptionMarkup(caption), markup) << caption;
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
