#include "localize/language_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "support/test_run.h"

namespace pavane::localize {
namespace {

using testing::ReadBytes;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCodeStrings =
    "\r\n\r\n\r\n;---------------------- CodeStrings ----------------------\r\n[[Code_Strings]]";

// The line that heads the code strings taken from one source.
std::string AddedFrom(const std::string& file) {
  return "\r\n\r\n\r\n;--- CodeStrings added from SourceCode\\en\\" + file + " ---\r\n";
}

// A program installed at <root>/PV with its language sources beside it.
class LanguageLoaderTest : public ::testing::Test {
 protected:
  LanguageLoaderTest() {
    RunSettings& s = test.run.Settings;
    root = test.dir().path().string() + "/";
    s.ParentFolder = root;
    s.OwnLocalizedFolder = root + "PV/localized/";
    s.ParentLocalizedFolder = root + "localized/";
    s.LanguageCode = "en";
    s.ProductionMode = false;
    std::filesystem::create_directories(root + "PV/localized/en");
  }

  void WriteLoader(const std::string& text) {
    test.dir().Write("localized/PV/LanguageLoader.ini", text);
  }
  void WriteSource(const std::string& relative, const std::string& text) {
    test.dir().Write("localized/" + relative, std::string(kBom) + text);
  }

  testing::TestRun test;
  std::string root;
  LanguageText language{test.run.Settings.ShownAppCode};
  LanguageLoader loader{test.run.Settings, language};
  std::string message;
};

// Code-strings headers are found only at the start of a line, also on a
// file's first line or at its very end; the scrambled file itself and its
// loading in a production run are checked by the translators' tool tests and
// every whole run.
TEST_F(LanguageLoaderTest, BuildAssemblesSourcesAndCodeStringsAndIsRedoneAfterAChange) {
  WriteLoader(
      "; sources of the English screens\r\n"
      "file=SourceCode\\{LANGUAGE_ID}\\Screens.txt\r\n"
      "file=\"SourceCode\\{LANGUAGE_ID}\\Texts.txt\"\r\n");
  WriteSource("SourceCode/en/Screens.txt",
              "[[PV_frmEmail]]\r\nlblHdr1.Caption=Stay informed\r\n"
              "[[PV_Code_Strings]]\r\nstrLoc_PV_ProductName_OL=Orlent\r\n"
              ";+++ translator note\r\nstrLoc_Hello=Hello {strLoc_PV_ProductName_OL}\r\n"
              "[[PV_frmBundle]]\r\nlblHdr1.Caption=Offer ;+++ dropped\r\n");
  WriteSource("SourceCode/en/Texts.txt",
              "[[SH_Code_Strings]]\r\nstr_SH_A=a\r\nstr_SH_B=b\r\n; see XX_Code_Strings]] below\r\n"
              "[[PVCommon]]\r\ncmdNext.Caption=Next_Code_Strings]]\r\n[[QQ_Code_Strings]]");
  // Sources dated well before the target about to be written.
  for (const char* source : {"Screens.txt", "Texts.txt"}) {
    std::filesystem::last_write_time(
        root + "localized/SourceCode/en/" + source,
        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(100));
  }
  ASSERT_TRUE(loader.BuildLanguageFile(message)) << message;
  EXPECT_EQ(message, "");
  const std::string expected =
      "[[PV_frmEmail]]\r\nlblHdr1.Caption=Stay informed\r\n[[PV_frmBundle]]\r\n"
      ";### Appended File: SourceCode\\en\\Texts.txt ###\r\n\r\n"
      "[[PVCommon]]\r\ncmdNext.Caption=Next_Code_Strings]]\r\n" +
      std::string(kCodeStrings) + AddedFrom("Screens.txt") +
      "strLoc_PV_ProductName_OL=Orlent\r\n"
      "strLoc_Hello=Hello {strLoc_PV_ProductName_OL}\r\n" +
      AddedFrom("Texts.txt") + "str_SH_A=a\r\nstr_SH_B=b\r\n; see XX_Code_Strings]] below\r\n" +
      AddedFrom("Texts.txt");
  EXPECT_EQ(loader.AssembledText(), expected);
  const auto target = root + "PV/localized/en/language.ini";
  EXPECT_EQ(ReadBytes(target), std::string(kBom) + expected)
      << "without resolve the build is plain text for the translator";

  const auto written = std::filesystem::last_write_time(target);
  ASSERT_TRUE(loader.BuildLanguageFile(message));
  EXPECT_EQ(message, "The target file is up-to-date");

  // A touched source brings the build back.
  std::filesystem::last_write_time(root + "localized/SourceCode/en/Texts.txt",
                                   written + std::chrono::seconds(5));
  ASSERT_TRUE(loader.BuildLanguageFile(message));
  EXPECT_EQ(message, "");

  // A developer run with resolve builds the scrambled file and shows it.
  test.run.Settings.ResolveMode = true;
  ASSERT_TRUE(loader.InitLanguageText(message)) << message;
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(language.GetStrLocValue("strLoc_Hello"), "Hello Orlent");
}

TEST_F(LanguageLoaderTest, EveryFailureSaysWhatIsWrong) {
  EXPECT_FALSE(loader.BuildLanguageFile(message));
  EXPECT_EQ(message, "File '" + root + "localized/PV/LanguageLoader.ini' cannot be found");

  WriteLoader("; comment=with=equals\r\nmyfile=SourceCode\\en\\A.txt=x\r\n");
  EXPECT_FALSE(loader.BuildLanguageFile(message));
  EXPECT_EQ(message, "Error in LanguageLoader.ini line 2 - myfile=SourceCode\\en\\A.txt=x");

  WriteLoader("file = SourceCode\\en\\Ignored.txt\r\nfile=SourceCode\\en\\Missing.txt\r\n");
  EXPECT_FALSE(loader.BuildLanguageFile(message));
  EXPECT_EQ(message, "Could not locate language file '" + root +
                         "localized/SourceCode\\en\\Missing.txt,\r\n\r\nFile not found")
      << "a blank before \"=\" is no file line";

  WriteLoader("file=SourceCode\\en\\NoStrings.txt\r\n");
  WriteSource("SourceCode/en/NoStrings.txt", "[[PV_frmEmail]]\r\nlblA.Caption=A\r\n");
  EXPECT_FALSE(loader.BuildLanguageFile(message));
  EXPECT_EQ(message, "There were no CodeString sections which should not happen!");
  EXPECT_FALSE(std::filesystem::exists(root + "PV/localized/en/language.ini"))
      << "a failed build writes nothing";

  test.run.Settings.ProductionMode = true;
  EXPECT_FALSE(loader.InitLanguageText(message));
  EXPECT_EQ(message, "Error in function LoadUTF8IniFile: File '" + root +
                         "PV/localized/en/Language.inx' cannot be found");
}

// Loading a developer build and the saved language are checked by the
// whole-run tests (the development layout, the language choice); dropping the
// translators' ";+++" lines by the builds above.

}  // namespace
}  // namespace pavane::localize
