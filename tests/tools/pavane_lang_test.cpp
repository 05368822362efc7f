// The translators' tool on the shipped language set and on broken copies.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace pavane {
namespace {

using testing::ReadBytes;
using testing::RunProgram;
using testing::TempDir;

class PavaneLang : public ::testing::Test {
 protected:
  PavaneLang() {
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
  const std::string screens = dir.File("localized/SourceCode/fr/PV_Screens.txt");
  const std::string loader = dir.File("localized/PV/LanguageLoader.ini");
  EXPECT_NE(
      result.out.find(loader + ":0: the program needs strLoc_PV_TryAgain, which is not defined"),
      std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("strLoc_PV_TryAgain is defined in English"), std::string::npos);
  EXPECT_NE(result.out.find(": on frmBundle: Object required: 'lblNope'"), std::string::npos);
  EXPECT_NE(result.out.find(": on frmBundle: Syntax error"), std::string::npos);
  EXPECT_NE(result.out.find("cycle: strLoc_PV_"), std::string::npos);
  // The broken statements are on the lines right after the section header.
  const std::string text = ReadBytes(screens);
  const int headerLine = 1 + static_cast<int>(std::count(
                                 text.begin(), text.begin() + text.find("[[PV_frmBundle]]"), '\n'));
  EXPECT_NE(result.out.find(screens + ":" + std::to_string(headerLine + 1) + ": on frmBundle"),
            std::string::npos);
  EXPECT_NE(result.out.find(screens + ":" + std::to_string(headerLine + 2) + ": on frmBundle"),
            std::string::npos);
}

TEST_F(PavaneLang, BuildThenShowGivesTheTextBack) {
  const auto built = Lang({"build", "--resolve", "--server-base", "http://qa.example:8080", "de"});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const std::string file = dir.File("PV/localized/de/language.inx");
  ASSERT_TRUE(std::filesystem::exists(file));

  const auto shown = RunProgram(PAVANE_LANG_PROGRAM, {"show", file});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_NE(shown.out.find("[[Code_Strings]]"), std::string::npos);
  EXPECT_NE(shown.out.find("strLoc_PV_Btn_Next=Weiter >"), std::string::npos);
  // The deployment's server is written once; the addresses keep referring
  // to it, so that a run can move them again.
  EXPECT_NE(shown.out.find("strURL_SH_ServerBase==http://qa.example:8080\r\n"), std::string::npos);
  EXPECT_NE(shown.out.find("strURL_SH_EmailValidate=={strURL_SH_ServerBase}/validate.asp"),
            std::string::npos);
}

}  // namespace
}  // namespace pavane
