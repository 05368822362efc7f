// Settling the language: the selection screen, the saved and the system
// language, and the fall-back when Japanese cannot be shown.
#include <gtest/gtest.h>

#include "flows/flow_fixture.h"
#include "support/temp_dir.h"

namespace pavane::flows {
namespace {

constexpr const char* kSkipAll = "click cmdSkip\nclick cmdDecline\nclick cmdDecline\n";

TEST_F(FlowTest, SavedLanguageOpensTheChoiceAndTheChoiceIsLoaded) {
  Set(kOrlentKey, "Language", "de");
  const RunResult run = Run("/app=OL", std::string("choose fr\nclick cmdSelect\n") + kSkipAll);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(run.Has("show frmLanguage modal=yes"));
  EXPECT_TRUE(run.Has("title frmLanguage \"Orlent-Setup (Norvale Software, LLC)\""))
      << "the screen opens in the saved language";
  EXPECT_TRUE(
      run.Has("/localized/de/LanguageSelection.htm?application=OL&scaling=100&language=de"));
  EXPECT_TRUE(run.Has("title frmEmail \"Installation d’Orlent (Norvale Software, LLC)\""));
  EXPECT_TRUE(run.Has("/localized/fr/EmailText.htm?application=OL&scaling=100&language=fr"));
}

TEST_F(FlowTest, WithoutASavedLanguageTheSystemLanguageOpensTheChoice) {
  testing::ScopedEnv locale("LANG", "de_DE.UTF-8");
  const RunResult run = Run("/app=OL /language=xx", std::string("click cmdSelect\n") + kSkipAll);
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_TRUE(run.Has("LanguageSelection.htm?application=OL&scaling=100&language=de"));
  EXPECT_TRUE(run.Has("EmailText.htm?application=OL&scaling=100&language=de"))
      << "the page pre-selects the language shown";
}

TEST_F(FlowTest, JapaneseWithoutFontsCanContinueInEnglish) {
  const RunResult run =
      Run("/app=OL /language=ja", std::string("click cmdCancel\n") + kSkipAll, false);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(run.Has("show dlgErrJapaneseFontsMissing modal=yes"));
  EXPECT_TRUE(run.Has("EmailText.htm?application=OL&scaling=100&language=en"));
  EXPECT_EQ(Value(kOrlentKey, "Tandem"), "en") << "the main application learns of it";
}

TEST_F(FlowTest, JapaneseWithoutFontsCanCloseBeforeAnyScreen) {
  const RunResult run = Run("/app=SW /language=ja", "click cmdClose\n", false);
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_FALSE(run.Has("show frmEmail"));
  EXPECT_TRUE(run.requests.empty());
  EXPECT_EQ(Value(kOrlentKey, "Tandem"), "Shut Down") << "always under the main application";
}

TEST_F(FlowTest, PretendedMissingFontsShowTheChoiceInFixedEnglish) {
  const RunResult run = Run("/app=OL /language=xx /failjapanesefonts",
                            std::string("choose en\nclick cmdSelect\n") + kSkipAll);
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_TRUE(run.Has("LanguageSelection.htm?application=OL&eastasian=0&scaling=100"));
  EXPECT_TRUE(run.Has("title frmLanguage \"Orlent Setup (Norvale Software, LLC)\""));
}

TEST_F(FlowTest, ScreenScalingFollowsThePixelSize) {
  for (const auto& [twips, scaling] :
       {std::pair{12, "125"}, std::pair{10, "150"}, std::pair{16, "100"}}) {
    const RunResult run = Run("/app=OL /language=en", kSkipAll, true, twips);
    EXPECT_TRUE(
        run.Has(std::string("EmailText.htm?application=OL&scaling=") + scaling + "&language=en"));
  }
}

}  // namespace
}  // namespace pavane::flows
