// The test language: what changes in a text, a source and a page, and what
// must come through untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "pseudo.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace pavane::langtool {
namespace {

std::size_t Characters(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The text without its placeholders and character references.
std::string Literal(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(\{[^{}]*(\{[^{}]*\})?[^{}]*\}|&#?\w+;)"), "");
}

TEST(PseudoText, AccentsLengthensAndKeepsWhatTheProgramReads) {
  struct Case {
    std::string text;
    bool markup;
    std::vector<std::string> kept;
  };
  const std::vector<Case> cases = {
      {"Next >", false, {" >"}},
      {"{strLoc_PV_ProductName_OL} Setup ({str_PV_CompanyName})",
       false,
       {"{strLoc_PV_ProductName_OL} ", "({str_PV_CompanyName})"}},
      {"{strLoc_PV_ProductName_{#AppID}} Newsletter", false, {"{strLoc_PV_ProductName_{#AppID}}"}},
      {"Try again?{CRLF}Choose No{CRLF}", false, {"?{CRLF}", "{CRLF}"}},
      {"Allow {#AppEXE} to go online", false, {" {#AppEXE} "}},
      {"  Fish &amp; chips &#8211; today\n", true, {"  [", " &amp; ", " &#8211; ", "]\n"}},
      {"Write to news@norvale.example or http://x.example/a",
       false,
       {" news@norvale.example ", " http://x.example/a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string pseudo = PseudoText(c.text, c.markup);
    for (const std::string& part : c.kept) {
      EXPECT_NE(pseudo.find(part), std::string::npos) << pseudo;
    }
    EXPECT_NE(pseudo.find('['), std::string::npos) << pseudo;
    EXPECT_NE(pseudo.find(']'), std::string::npos) << pseudo;
    EXPECT_GE(Characters(Literal(pseudo)) * 10, Characters(Literal(c.text)) * 14) << pseudo;
    // Outside what is kept, no plain letter is left.
    const std::string rest =
        std::regex_replace(Literal(pseudo), std::regex(R"(\S*@\S*|\S*://\S*)"), "");
    EXPECT_FALSE(std::regex_search(rest, std::regex("[A-Za-z]"))) << pseudo;
  }
  for (const char* unchanged : {"", "  ", "{strLoc_PV_Btn_Next}", "日本語", "{CRLF} 42 {str_A}"}) {
    EXPECT_EQ(PseudoText(unchanged), unchanged);
  }
  EXPECT_EQ(PseudoText("OK"), "[ÖĶ~]");
}

TEST(PseudoSource, ChangesTheLocalizedTextsOnly) {
  const std::string source =
      "\xEF\xBB\xBF; Texts\r\n"
      "[[PV_frmEmail]]\r\n"
      "cmdNext.Caption={strLoc_PV_Btn_Next}\r\n"
      "lblHdr1.Caption=Hello\r\n"
      "lblHdr1.Font.Name=Arial\r\n"
      "cmdNext.Move 100, 200\r\n"
      "\r\n"
      "[[PV_Code_Strings]]\r\n"
      ";+++ Hello\r\n"
      "strLoc_PV_ProductName_OL=Orlent\r\n"
      "str_PV_CompanyName=Norvale Software\r\n"
      "strURL_SH_Base==http://127.0.0.1:8917/a?b=c\r\n"
      "strLoc_PV_Reason=\"Reason: \"\r\n"
      "strLoc_PV_Title=={strLoc_PV_ProductName_OL} Setup\r\n"
      "strLoc_PV_Odd=a=b=c\r\n";
  const std::string pseudo = PseudoSource(source);
  ASSERT_TRUE(pseudo.starts_with("\xEF\xBB\xBF;"));
  EXPECT_EQ(std::count(pseudo.begin(), pseudo.end(), '\n'),
            std::count(source.begin(), source.end(), '\n') + 1)
      << "one note line more";
  EXPECT_EQ(pseudo.find("\n") - 1, pseudo.find("\r\n"));
  for (const char* kept :
       {"; Texts\r\n", "cmdNext.Caption={strLoc_PV_Btn_Next}\r\n", "lblHdr1.Font.Name=Arial\r\n",
        "cmdNext.Move 100, 200\r\n", ";+++ Hello\r\n", "strLoc_PV_ProductName_OL=Orlent\r\n",
        "str_PV_CompanyName=Norvale Software\r\n",
        "strURL_SH_Base==http://127.0.0.1:8917/a?b=c\r\n", "strLoc_PV_Odd=a=b=c\r\n"}) {
    EXPECT_NE(pseudo.find(kept), std::string::npos) << kept;
  }
  for (const char* changed :
       {"lblHdr1.Caption=[Ĥéļļö~~]\r\n", "strLoc_PV_Reason=\"[Ŕéášöñ:~~~] \"\r\n",
        "strLoc_PV_Title==[{strLoc_PV_ProductName_OL} Šéţûþ~~~]\r\n"}) {
    EXPECT_NE(pseudo.find(changed), std::string::npos) << changed << "\n" << pseudo;
  }
}

TEST(PseudoPage, ChangesTextNodesAndNothingElse) {
  const std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><title>Hi</title>"
      "<link rel=\"stylesheet\" href=\"pavane.css\"><script src='pavane.js'></script>"
      "<style>p::before { content: \"Hello\" }</style></head>\n"
      "<body><!-- Hello --><p class=\"lead\" title=\"Hello\">Hello <b>world</b> &amp; you</p>\n"
      "<select id=\"language\"><option value=\"en\" selected>English</option></select>\n"
      "<a href=\"vblink/license.htm\">licence</a>"
      "<script>document.title = \"Hello\" + '<b>';</script></body></html>\n";
  const std::string pseudo = PseudoPage(page, {"pavane.css", "pavane.js"});
  for (const char* kept :
       {"<!DOCTYPE html>\n<html lang=\"en\"><head><title>[",
        "<style>p::before { content: \"Hello\" }</style>",
        "<!-- Hello --><p class=\"lead\" title=\"Hello\">[Ĥéļļö~~] <b>[", "</b> [&amp; ",
        "<option value=\"en\" selected>[", "<a href=\"vblink/license.htm\">[",
        "<script>document.title = \"Hello\" + '<b>';</script></body></html>\n"}) {
    EXPECT_NE(pseudo.find(kept), std::string::npos) << kept << "\n" << pseudo;
  }
  EXPECT_NE(pseudo.find("href=\"../shared/pavane.css\""), std::string::npos) << pseudo;
  EXPECT_NE(pseudo.find("src='../shared/pavane.js'"), std::string::npos) << pseudo;
  EXPECT_NE(pseudo.find("<option value=\"xa\" selected>["), std::string::npos) << pseudo;
  EXPECT_EQ(pseudo.find("world"), std::string::npos);
}

// The shipped English set gives a pseudo language that passes the check.
TEST(PseudoLanguage, MadeFromTheShippedSetPassesTheCheck) {
  testing::TempDir dir;
  std::filesystem::copy(std::string(PAVANE_CONTENT_DIR) + "/localized", dir.File("localized"),
                        std::filesystem::copy_options::recursive);
  const std::string root = dir.path().string();
  const auto made = testing::RunProgram(PAVANE_LANG_PROGRAM, {"--root", root, "pseudo"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const auto checked = testing::RunProgram(PAVANE_LANG_PROGRAM, {"--root", root, "check", "xa"});
  EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
  EXPECT_EQ(checked.out, "xa: ok\n");
}

}  // namespace
}  // namespace pavane::langtool
