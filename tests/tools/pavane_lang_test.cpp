// The translators' tool on the shipped language set and on broken copies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace pavane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadBytes;
using testing::RunProgram;
using testing::TempDir;

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
    return RunProgram(PAVANE_LANG_PROGRAM, arguments);
  }

  TempDir dir;
};

TEST_F(PavaneLang, ShippedLanguagesPassTheCheck) {
  const auto result = Lang({"check"});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(result.out, "de: ok\nen: ok\nfr: ok\nja: ok\n");
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
    const std::string line = PlaceOf("en/PV_Screens.txt", fault.marker) + ": ";
    const auto at = result.out.find(line);
    ASSERT_NE(at, std::string::npos) << line << "\n" << result.out;
    EXPECT_NE(result.out.substr(at, result.out.find('\n', at) - at).find(fault.says),
              std::string::npos)
        << result.out;
  }
}

// The files that ship serve every product: what depends on the product shown
// stays for run time, and the check holds the resolved build to the plain one.
TEST_F(PavaneLang, ResolvedBuildKeepsTheShownProductForRunTime) {
  Edit("en/PV_Screens.txt", "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\n",
       "cmdSkip.Caption={strLoc_PV_Btn_Skip}\r\ncmdSkip.ToolTipText=Skip the {#AppID} "
       "newsletter\r\nlblHdr2.Caption={strLoc_PV_SetupTitle}\r\n");
  const auto checked = Lang({"check", "en"});
  EXPECT_EQ(checked.out, "en: ok\n") << checked.err;

  ASSERT_EQ(Lang({"build", "--resolve", "en"}).exitCode, 0);
  const auto shown = Lang({"show", dir.File("PV/localized/en/language.inx")});
  EXPECT_THAT(shown.out, HasSubstr("cmdSkip.ToolTipText=Skip the {#AppID} newsletter\r\n"));
  EXPECT_THAT(shown.out, HasSubstr("lblHdr2.Caption={strLoc_PV_SetupTitle}\r\n"));
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
  const std::string text = ReadBytes(dir.File("PV/localized/en/language.ini"));
  EXPECT_THAT(text, HasSubstr("\r\nstrLoc_PV_Btn_Next=Next >\r\n"));
  EXPECT_THAT(text, Not(HasSubstr(";+++")));
}

TEST_F(PavaneLang, LoaderFileThatNamesNoSourceIsAnError) {
  const std::string loader = ReadBytes(dir.File("localized/PV/LanguageLoader.ini")).substr(3);
  std::string commented = "\xEF\xBB\xBF";
  std::istringstream lines(loader);
  for (std::string line; std::getline(lines, line);) commented += ";" + line + "\n";
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
    EXPECT_THAT(built.err, HasSubstr(std::string("names no source files: ")));
    EXPECT_THAT(built.err, HasSubstr(says));
    EXPECT_FALSE(std::filesystem::exists(dir.File("PV/localized/en/language.ini")));
  }
}

TEST_F(PavaneLang, BuildThenShowGivesTheTextBack) {
  const auto built = Lang({"build", "--resolve", "--server-base", "http://qa.example:8080", "de"});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const std::string file = dir.File("PV/localized/de/language.inx");
  ASSERT_TRUE(std::filesystem::exists(file));

  const auto shown = RunProgram(PAVANE_LANG_PROGRAM, {"show", file});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_THAT(shown.out, HasSubstr("[[Code_Strings]]"));
  EXPECT_THAT(shown.out, HasSubstr("strLoc_PV_Btn_Next=Weiter >"));
  // The deployment's server is written once; the addresses keep referring
  // to it, so that a run can move them again.
  EXPECT_THAT(shown.out, HasSubstr("strURL_SH_ServerBase==http://qa.example:8080\r\n"));
  EXPECT_THAT(shown.out, HasSubstr("strURL_SH_EmailValidate=={strURL_SH_ServerBase}/validate.asp"));
}

}  // namespace
}  // namespace pavane
