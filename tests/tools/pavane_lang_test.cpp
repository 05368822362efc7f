// The translators' tool on the shipped language set and on broken copies,
// and the test language it makes: what changes in a text, a source and a
// page, and what must come through untouched.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>

#include "platform/text.h"
#include "pseudo.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace pavane {
namespace {

using langtool::PseudoText;
using namespace ::testing;
using testing::ReadBytes;

class PavaneLang : public ::testing::Test {
 protected:
  PavaneLang() {
    std::filesystem::copy(std::string(PAVANE_CONTENT_DIR) + "/localized", dir.File("localized"),
                          std::filesystem::copy_options::recursive);
  }

  // Replaces the first `from` in a source file of the copy.
  void Edit(const std::string& relative, const std::string& from, const std::string& to) {
    std::string text = ReadBytes(dir.File("localized/SourceCode/" + relative));
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    dir.Write("localized/SourceCode/" + relative, text.replace(at, from.size(), to));
  }

  // The place the check gives for the line of a source file that holds the
  // start of `marker`; the loader file's place without a marker.
  std::string PlaceOf(const std::string& relative, const std::string& marker) {
    if (marker.empty()) return dir.File("localized/PV/LanguageLoader.ini") + ":0";
    const std::string path = dir.File("localized/SourceCode/" + relative);
    const std::string text = ReadBytes(path);
    const auto at = text.find(marker);
    EXPECT_NE(at, std::string::npos) << marker;
    return path + ":" +
           std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
  }

  testing::ProcessResult Lang(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--root", dir.path().string()});
    return testing::RunProgram(PAVANE_LANG_PROGRAM, arguments);
  }

  testing::TempDir dir;
};

// Each of these once passed the check and then showed wrong text. The
// languages are broken each in its own way, as one problem can hide another
// in the same file.
TEST_F(PavaneLang, CheckNamesFileAndLineOfEachProblem) {
  const char* const edits[][3] = {
      {"en/PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\n",
       "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\ncmdSkip.ToolTipText={strLoc_PV_NoSuchText}\r\n"
       "cmdSkip.ToolTipText={str_EmptyTip}\r\n"},
      {"en/PV_Texts.txt", "strLoc_PV_Btn_Skip=Skip\r\n",
       "strLoc_PV_Btn_Skip=Skip\r\nstr_EmptyTip=\r\n"},
      {"en/PV_Screens.txt", "lblVersion.Caption={str_PV_InstallSystem}\r\n",
       "lblVersion.Caption={str_PV_InstallSystem}"},
      {"en/PV_Screens.txt", "[[PVCommon]]",
       "[[PV_frmEmail]]\r\ncmdNext.Caption=Again\r\n[[PVCommon]]"},
      {"de/PV_Screens.txt", "[[PV_frmEmail]]",
       "; [[PV_frmEmail]] sets the buttons\r\n[[PV_frmEmail]]"},
      {"ja/PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}", "cmdSkip.Caption=\xFF"},
      {"fr/PV_Texts.txt", "strLoc_PV_TryAgain=", "strLoc_PV_TryAgainX="},
      {"fr/PV_Screens.txt", "[[PV_frmBundle]]\r\n",
       "[[PV_frmBundle]]\r\nlblNope.Caption=Bonjour\r\ncmdAccept.Move 1,,\r\n"},
      {"fr/PV_Texts.txt", "strLoc_PV_Reason=",
       "strLoc_PV_Loop={strLoc_PV_Reason}\r\nstrLoc_PV_Reason={strLoc_PV_Loop}"},
  };
  for (const auto& [file, from, to] : edits) Edit(file, from, to);
  const char* const problems[][3] = {
      // file, marker on the line reported, what it says
      {"en/PV_Screens.txt", "{strLoc_PV_NoSuchText}", "frmEmail refers to an undefined variable"},
      {"en/PV_Screens.txt", "{str_EmptyTip}", "unresolved: cmdSkip.ToolTipText={str_EmptyTip}"},
      {"en/PV_Screens.txt", "lblVersion", "does not end with a line break"},
      {"en/PV_Screens.txt", "[[PV_frmEmail]]\r\ncmdNext", "is given again; only the first"},
      {"de/PV_Screens.txt", "[[PV_frmEmail]]\r\nlblHdr2", "so this section never runs"},
      {"ja/PV_Screens.txt", "cmdSkip.Caption", "is not valid UTF-8 in line "},
      {"fr", "", "the program needs strLoc_PV_TryAgain, which is not defined"},
      {"fr", "", "strLoc_PV_TryAgain is defined in English"},
      {"fr/PV_Screens.txt", "lblNope.", "on frmBundle: Object required: 'lblNope'"},
      {"fr/PV_Screens.txt", "cmdAccept.Move 1,,", "on frmBundle: Syntax error"},
      {"fr/PV_Texts.txt", "strLoc_PV_Loop=", "cycle: strLoc_PV_"},
  };
  const auto result = Lang({"check"});
  EXPECT_EQ(result.exitCode, 1);
  for (const auto& [file, marker, says] : problems)
    EXPECT_THAT(platform::Split(result.out, "\n"),
                Contains(AllOf(StartsWith(PlaceOf(file, marker) + ": "), HasSubstr(says))));
}

// Sources as Linux editors write them, line feeds only, and dated long ago.
// The files that ship serve every product: what depends on the product shown
// stays for run time, and the check holds the resolved build to the plain one.
// The deployment's server is written once; the addresses keep referring to
// it, so that a run can move them again.
TEST_F(PavaneLang, BuildsLeaveToRunTimeWhatARunDecides) {
  Edit("en/PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\n",
       "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\ncmdSkip.ToolTipText=Skip the {#AppID} "
       "newsletter\r\nlblHdr2.Caption={strLoc_PV_SetupTitle}\r\n");
  for (const char* file : {"PV/LanguageLoader.ini", "SourceCode/en/PV_Screens.txt",
                           "SourceCode/en/PV_Texts.txt", "SourceCode/en/SH_Texts.txt"}) {
    const std::string path = dir.File(std::string("localized/") + file);
    dir.Write(std::string("localized/") + file,
              std::regex_replace(ReadBytes(path), std::regex("\r"), ""));
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 12));
  }
  const auto checked = Lang({"check", "en"});
  EXPECT_THAT(checked.out, AllOf(HasSubstr(dir.File("localized/SourceCode/en/PV_Texts.txt") +
                                           ":0: note: LF line ends, read as CR LF\n"),
                                 EndsWith("\nen: ok\n")));
  const auto built = Lang({"build", "--resolve", "--server-base", "http://qa.example:8080", "en"});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const auto shown = Lang({"show", dir.File("PV/localized/en/language.inx")});
  for (const char* part :
       {"[[Code_Strings]]", "cmdSkip.ToolTipText=Skip the {#AppID} newsletter\r\n",
        "lblHdr2.Caption={strLoc_PV_SetupTitle}\r\n",
        "strURL_SH_ServerBase==http://qa.example:8080\r\n",
        "strURL_SH_EmailValidate=={strURL_SH_ServerBase}/validate.asp"})
    EXPECT_THAT(shown.out, HasSubstr(part)) << shown.err;

  // A loader that names no source would build an empty language.
  const std::pair<std::string, const char*> cases[] = {
      {"\xEF\xBB\xBF; notes only\r\n;file=SourceCode\\en\\PV_Texts.txt\r\n",
       "2 comment(s), 0 blank and 0 other line(s)"},
      {std::string("\xFF\xFE;\0\r\0\n\0", 8), "it is UTF-16 text (little-endian)"}};
  for (const auto& [content, says] : cases) {
    dir.Write("localized/PV/LanguageLoader.ini", content);
    const auto refused = Lang({"build", "en"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, AllOf(HasSubstr("names no source files: "), HasSubstr(says)));
  }
}

// The text without its placeholders and character references.
std::string Literal(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(\{[^{}]*(\{[^{}]*\})?[^{}]*\}|&#?\w+;)"), "");
}

TEST(PseudoText, AccentsLengthensAndKeepsWhatTheProgramReads) {
  struct Case {
    std::string text;
    std::vector<std::string> kept;
    bool markup = false;
  };
  const std::vector<Case> cases = {
      {"Next >", {" >"}},
      {"{strLoc_PV_ProductName_OL} Setup ({str_PV_CompanyName})",
       {"{strLoc_PV_ProductName_OL} ", "({str_PV_CompanyName})"}},
      {"{strLoc_PV_ProductName_{#AppID}} Newsletter", {"{strLoc_PV_ProductName_{#AppID}}"}},
      {"Try again?{CRLF}Choose No{CRLF}", {"?{CRLF}", "{CRLF}"}},
      {"Allow {#AppEXE} to go online", {" {#AppEXE} "}},
      {"  Fish &amp; chips &#8211; today\n", {"  [", " &amp; ", " &#8211; ", "]\n"}, true},
      {"Write to news@norvale.example or http://x.example/a",
       {" news@norvale.example ", " http://x.example/a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string pseudo = PseudoText(c.text, c.markup);
    for (const std::string& part : c.kept) EXPECT_THAT(pseudo, HasSubstr(part));
    EXPECT_THAT(pseudo, AllOf(HasSubstr("["), HasSubstr("]")));
    EXPECT_GE(platform::CharacterCount(Literal(pseudo)) * 10,
              platform::CharacterCount(Literal(c.text)) * 14)
        << pseudo;
    // Outside what is kept, no plain letter is left.
    const std::string rest =
        std::regex_replace(Literal(pseudo), std::regex(R"(\S*@\S*|\S*://\S*)"), "");
    EXPECT_FALSE(std::regex_search(rest, std::regex("[A-Za-z]"))) << pseudo;
  }
  for (const char* unchanged : {"", "  ", "{strLoc_PV_Btn_Next}", "日本語", "{CRLF} 42 {str_A}"})
    EXPECT_EQ(PseudoText(unchanged), unchanged);
  EXPECT_EQ(PseudoText("OK"), "[ÖĶ~]");
}

// A source changes in its localized texts only, a page in its text nodes.
TEST(PseudoFiles, ChangeTheirTextsAndNothingElse) {
  // Lines of a source and what they become; most stay as they are.
  const std::pair<std::string, std::string> lines[] = {
      {";cmdNext.Caption=Next\r\n[[PV_frmEmail]]\r\ncmdNext.Caption={strLoc_PV_Btn_Next}", ""},
      {"lblHdr1.Caption=Hello", "lblHdr1.Caption=[Ĥéļļö~~]"},
      {"lblHdr1.Font.Name=Arial\r\ncmdNext.Move 100, 200\r\n\r\n[[PV_Code_Strings]]", ""},
      {";+++ Hello\r\nstrLoc_PV_ProductName_OL=Orlent\r\nstr_PV_CompanyName=Norvale Software", ""},
      {"strURL_SH_Base==http://127.0.0.1:8917/a?b=c", ""},
      {"strLoc_PV_Reason=\"Reason: \"", "strLoc_PV_Reason=\"[Ŕéášöñ:~~~] \""},
      {"strLoc_PV_Title=={strLoc_PV_ProductName_OL} Setup",
       "strLoc_PV_Title==[{strLoc_PV_ProductName_OL} Šéţûþ~~~]"},
      {"strLoc_PV_Odd=a=b=c", ""},
  };
  std::string source = "\xEF\xBB\xBF", expected;
  for (const auto& [line, pseudo] : lines) {
    source += line + "\r\n";
    expected += (pseudo.empty() ? line : pseudo) + "\r\n";
  }
  // A note line comes first, after the byte-order mark.
  const std::string pseudo = langtool::PseudoSource(source);
  ASSERT_TRUE(pseudo.starts_with("\xEF\xBB\xBF;"));
  EXPECT_EQ(pseudo.substr(pseudo.find("\r\n") + 2), expected);

  const std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><title>Hi</title>"
      "<link rel=\"stylesheet\" href=\"pavane.css\"><script src='pavane.js'></script>"
      "<style>p::before { content: \"Hello\" }</style></head>\n"
      "<body><!-- Hello --><p class=\"lead\" title=\"Hello\">Hello <b>world</b> &amp; you</p>\n"
      "<select id=\"language\"><option value=\"en\" selected>English</option></select>\n"
      "<a href=\"vblink/license.htm\">licence</a>"
      "<script>document.title = \"Hello\" + '<b>';</script></body></html>\n";
  const std::string pseudoPage = langtool::PseudoPage(page, {"pavane.css", "pavane.js"});
  for (const char* part :
       {"<!DOCTYPE html>\n<html lang=\"en\"><head><title>[",
        "<style>p::before { content: \"Hello\" }</style>",
        "<!-- Hello --><p class=\"lead\" title=\"Hello\">[Ĥéļļö~~] <b>[", "</b> [&amp; ",
        "<option value=\"en\" selected>[", "<a href=\"vblink/license.htm\">[",
        "<script>document.title = \"Hello\" + '<b>';</script></body></html>\n",
        // and what changes
        "href=\"../shared/pavane.css\"", "src='../shared/pavane.js'",
        "<option value=\"xa\" selected>["})
    EXPECT_THAT(pseudoPage, HasSubstr(part));
}

}  // namespace
}  // namespace pavane
