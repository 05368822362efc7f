// The translators' tool on the shipped language set and on broken copies,
// and the test language it makes: what changes in a text, a source and a
// page, and what must come through untouched.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadBytes;
using ::testing::StartsWith;

class PavaneLang : public ::testing::Test {
 protected:
  PavaneLang() { CopyShippedSet(); }

  void CopyShippedSet() {
    std::filesystem::remove_all(dir.File("localized"));
    std::filesystem::copy(std::string(PAVANE_CONTENT_DIR) + "/localized", dir.File("localized"),
                          std::filesystem::copy_options::recursive);
  }

  // Replaces the first `from` in a source file of the copy.
  void Edit(const std::string& relative, const std::string& from, const std::string& to) {
    const std::string path = dir.File("localized/SourceCode/" + relative);
    std::string text = ReadBytes(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    dir.Write("localized/SourceCode/" + relative, text);
  }

  // The place the check gives for the line of `file` that holds the start
  // of `marker`.
  std::string PlaceOf(const std::string& relative, const std::string& marker) {
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

// The test language is made from the shipped English.
TEST_F(PavaneLang, ShippedLanguagesAndTheTestLanguagePassTheCheck) {
  ASSERT_EQ(Lang({"pseudo"}).exitCode, 0);
  const auto result = Lang({"check"});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(result.out, "de: ok\nen: ok\nfr: ok\nja: ok\nxa: ok\n");
}

TEST_F(PavaneLang, CheckNamesFileAndLineOfEachProblem) {
  Edit("fr/PV_Texts.txt", "strLoc_PV_TryAgain=", "strLoc_PV_TryAgainX=");
  Edit("fr/PV_Screens.txt", "[[PV_frmBundle]]\r\n",
       "[[PV_frmBundle]]\r\nlblNope.Caption=Bonjour\r\ncmdAccept.Move 1,,\r\n");
  Edit("fr/PV_Texts.txt", "strLoc_PV_Reason=",
       "strLoc_PV_Loop={strLoc_PV_Reason}\r\nstrLoc_PV_Reason={strLoc_PV_Loop}");

  const auto result = Lang({"check", "fr"});
  EXPECT_EQ(result.exitCode, 1);
  const std::string problems[] = {
      dir.File("localized/PV/LanguageLoader.ini") +
          ":0: the program needs strLoc_PV_TryAgain, which is not defined",
      "strLoc_PV_TryAgain is defined in English",
      PlaceOf("fr/PV_Screens.txt", "lblNope.") + ": on frmBundle: Object required: 'lblNope'",
      PlaceOf("fr/PV_Screens.txt", "cmdAccept.Move 1,,") + ": on frmBundle: Syntax error",
      "cycle: strLoc_PV_",
  };
  for (const std::string& problem : problems) EXPECT_THAT(result.out, HasSubstr(problem));
}

// Each of these passed the check once and then showed wrong text.
TEST_F(PavaneLang, CheckFindsWhatWouldShowWrong) {
  struct Case {
    const char* name;
    std::vector<std::array<const char*, 3>> edits;  // file, from, to
    const char* marker;                             // on the line reported, in PV_Screens.txt
    const char* says;
  };
  const Case cases[] = {
      {"undefined variable",
       {{"PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\n",
         "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\ncmdSkip.ToolTipText={strLoc_PV_NoSuchText}\r\n"}},
       "cmdSkip.ToolTipText",
       "on frmEmail refers to an undefined variable: strLoc_PV_NoSuchText"},
      {"empty variable",
       {{"PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\n",
         "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\ncmdSkip.ToolTipText={str_EmptyTip}\r\n"},
        {"PV_Texts.txt", "strLoc_PV_Btn_Skip=Skip\r\n",
         "strLoc_PV_Btn_Skip=Skip\r\nstr_EmptyTip=\r\n"}},
       "cmdSkip.ToolTipText",
       "placeholder left unresolved: cmdSkip.ToolTipText={str_EmptyTip}"},
      {"no last line break",
       {{"PV_Screens.txt", "lblVersion.Caption={str_PV_InstallSystem}\r\n",
         "lblVersion.Caption={str_PV_InstallSystem}"}},
       "lblVersion",
       "does not end with a line break"},
      {"section given twice",
       {{"PV_Screens.txt", "[[PVCommon]]",
         "[[PV_frmEmail]]\r\ncmdNext.Caption=Again\r\n[[PVCommon]]"}},
       "[[PV_frmEmail]]\r\ncmdNext.Caption=Again",
       "is given again; only the first, at "},
      {"comment naming a section",
       {{"PV_Screens.txt", "[[PV_frmEmail]]",
         "; [[PV_frmEmail]] sets the buttons\r\n[[PV_frmEmail]]"}},
       "[[PV_frmEmail]]\r\nlblHdr2",
       "so this section never runs"},
      {"invalid UTF-8",
       {{"PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}", "cmdSkip.Caption=\xFF"}},
       "cmdSkip.Caption",
       "is not valid UTF-8 in line "},
  };
  for (const Case& fault : cases) {
    SCOPED_TRACE(fault.name);
    CopyShippedSet();
    for (const auto& [file, from, to] : fault.edits) Edit(std::string("en/") + file, from, to);
    const auto result = Lang({"check", "en"});
    EXPECT_EQ(result.exitCode, 1);
    const std::string place = PlaceOf("en/PV_Screens.txt", fault.marker) + ": ";
    EXPECT_THAT(platform::Split(result.out, "\n"),
                Contains(AllOf(StartsWith(place), HasSubstr(fault.says))));
  }
}

// The files that ship serve every product: what depends on the product shown
// stays for run time, and the check holds the resolved build to the plain one.
// The deployment's server is written once; the addresses keep referring to
// it, so that a run can move them again.
TEST_F(PavaneLang, ResolvedBuildLeavesToRunTimeWhatARunDecides) {
  Edit("en/PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\n",
       "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\ncmdSkip.ToolTipText=Skip the {#AppID} "
       "newsletter\r\nlblHdr2.Caption={strLoc_PV_SetupTitle}\r\n");
  const auto checked = Lang({"check", "en"});
  EXPECT_EQ(checked.out, "en: ok\n") << checked.err;

  const auto built =
      Lang({"build", "--resolve", "--server-base", "http://qa.example:8080", "de", "en"});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  EXPECT_THAT(Lang({"show", dir.File("PV/localized/de/language.inx")}).out,
              HasSubstr("strLoc_PV_Btn_Next=Weiter >"));
  const auto shown = Lang({"show", dir.File("PV/localized/en/language.inx")});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  for (const char* part :
       {"[[Code_Strings]]", "cmdSkip.ToolTipText=Skip the {#AppID} newsletter\r\n",
        "lblHdr2.Caption={strLoc_PV_SetupTitle}\r\n",
        "strURL_SH_ServerBase==http://qa.example:8080\r\n",
        "strURL_SH_EmailValidate=={strURL_SH_ServerBase}/validate.asp"})
    EXPECT_THAT(shown.out, HasSubstr(part));
}

// Sources and loader file as Linux editors write them, and dated long ago.
TEST_F(PavaneLang, LineFeedSourcesReadAsCrLf) {
  for (const char* file : {"PV/LanguageLoader.ini", "SourceCode/en/PV_Screens.txt",
                           "SourceCode/en/PV_Texts.txt", "SourceCode/en/SH_Texts.txt"}) {
    const std::string path = dir.File(std::string("localized/") + file);
    std::string text = ReadBytes(path);
    std::erase(text, '\r');
    dir.Write(std::string("localized/") + file, text);
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 12));
  }
  const auto checked = Lang({"check", "en"});
  EXPECT_EQ(checked.exitCode, 0) << checked.out;
  EXPECT_THAT(checked.out, HasSubstr(dir.File("localized/SourceCode/en/PV_Texts.txt") +
                                     ":0: note: LF line ends, read as CR LF\n"));

  const auto built = Lang({"build", "en"});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  EXPECT_THAT(built.out, HasSubstr("en: built "));
  EXPECT_THAT(ReadBytes(dir.File("PV/localized/en/language.ini")),
              AllOf(HasSubstr("\r\nstrLoc_PV_Btn_Next=Next >\r\n"), Not(HasSubstr(";+++"))));
}

TEST_F(PavaneLang, LoaderFileThatNamesNoSourceIsAnError) {
  const std::string loader = ReadBytes(dir.File("localized/PV/LanguageLoader.ini")).substr(3);
  std::string commented = "\xEF\xBB\xBF";
  for (const std::string& line : platform::Split(loader, "\n")) commented += ";" + line + "\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : loader) utf16 += std::string{c, '\0'};
  const std::pair<std::string, const char*> cases[] = {
      {commented, "comment(s), 0 blank and 0 other line(s)"},
      {utf16, "it is UTF-16 text (little-endian)"}};
  for (const auto& [content, says] : cases) {
    SCOPED_TRACE(says);
    dir.Write("localized/PV/LanguageLoader.ini", content);
    const auto built = Lang({"build", "en"});
    EXPECT_EQ(built.exitCode, 1);
    EXPECT_THAT(built.err, AllOf(HasSubstr("names no source files: "), HasSubstr(says)));
    EXPECT_FALSE(std::filesystem::exists(dir.File("PV/localized/en/language.ini")));
  }
}

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
    EXPECT_GE(Characters(Literal(pseudo)) * 10, Characters(Literal(c.text)) * 14) << pseudo;
    // Outside what is kept, no plain letter is left.
    const std::string rest =
        std::regex_replace(Literal(pseudo), std::regex(R"(\S*@\S*|\S*://\S*)"), "");
    EXPECT_FALSE(std::regex_search(rest, std::regex("[A-Za-z]"))) << pseudo;
  }
  for (const char* unchanged : {"", "  ", "{strLoc_PV_Btn_Next}", "日本語", "{CRLF} 42 {str_A}"})
    EXPECT_EQ(PseudoText(unchanged), unchanged);
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
  const std::string pseudo = langtool::PseudoSource(source);
  ASSERT_TRUE(pseudo.starts_with("\xEF\xBB\xBF;"));
  EXPECT_EQ(std::count(pseudo.begin(), pseudo.end(), '\n'),
            std::count(source.begin(), source.end(), '\n') + 1)
      << "one note line more";
  EXPECT_EQ(pseudo.find("\n") - 1, pseudo.find("\r\n"));
  for (const char* part :
       {"; Texts\r\n", "cmdNext.Caption={strLoc_PV_Btn_Next}\r\n", "lblHdr1.Font.Name=Arial\r\n",
        "cmdNext.Move 100, 200\r\n", ";+++ Hello\r\n", "strLoc_PV_ProductName_OL=Orlent\r\n",
        "str_PV_CompanyName=Norvale Software\r\n",
        "strURL_SH_Base==http://127.0.0.1:8917/a?b=c\r\n", "strLoc_PV_Odd=a=b=c\r\n",
        // and what changes
        "lblHdr1.Caption=[Ĥéļļö~~]\r\n", "strLoc_PV_Reason=\"[Ŕéášöñ:~~~] \"\r\n",
        "strLoc_PV_Title==[{strLoc_PV_ProductName_OL} Šéţûþ~~~]\r\n"})
    EXPECT_THAT(pseudo, HasSubstr(part));
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
  const std::string pseudo = langtool::PseudoPage(page, {"pavane.css", "pavane.js"});
  for (const char* part :
       {"<!DOCTYPE html>\n<html lang=\"en\"><head><title>[",
        "<style>p::before { content: \"Hello\" }</style>",
        "<!-- Hello --><p class=\"lead\" title=\"Hello\">[Ĥéļļö~~] <b>[", "</b> [&amp; ",
        "<option value=\"en\" selected>[", "<a href=\"vblink/license.htm\">[",
        "<script>document.title = \"Hello\" + '<b>';</script></body></html>\n",
        // and what changes
        "href=\"../shared/pavane.css\"", "src='../shared/pavane.js'",
        "<option value=\"xa\" selected>["})
    EXPECT_THAT(pseudo, HasSubstr(part));
  EXPECT_THAT(pseudo, Not(HasSubstr("world")));
}

}  // namespace
}  // namespace pavane
