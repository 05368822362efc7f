// Settling the language: the selection screen, the saved and the system
// language, and the fall-back when Japanese cannot be shown.
#include <gtest/gtest.h>

#include "flows/flow_fixture.h"
#include "platform/text.h"
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

// Whatever the source of a language (switch, saved value, environment, the
// choice on the screen), one that is not installed or is no language code
// never ends the run: the choice opens in English, or stays open.
TEST_F(FlowTest, ALanguageThatIsNotInstalledIsAskedForInEnglish) {
  struct Case {
    const char* label;
    const char* switches;
    const char* saved;
    const char* lang;
    const char* list;  // LANGUAGE
    const char* choices;
    const char* opened;  // the language the choice opens in
    const char* shown;   // the language of the newsletter
  };
  const Case cases[] = {
      {"locale not shipped", "/app=OL", "", "es_ES.UTF-8", nullptr, "de", "en", "de"},
      {"saved, not shipped", "/app=OL", "es", "de_DE.UTF-8", nullptr, "", "de", "de"},
      {"saved, a path", "/app=OL", "../x", "C", nullptr, "", "en", "en"},
      {"saved, upper case", "/app=OL", "DE", "C", nullptr, "", "de", "de"},
      {"LANGUAGE first", "/app=OL", "", "de_DE.UTF-8", "es:fr", "", "fr", "fr"},
      {"three letters", "/app=OL", "", "fil_PH.UTF-8", nullptr, "", "en", "en"},
      {"switch, not shipped", "/app=OL /language=es", "", "C", nullptr, "fr", "en", "fr"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Set(kOrlentKey, "Language", c.saved);
    testing::ScopedEnv lang("LANG", c.lang);
    testing::ScopedEnv list("LANGUAGE", c.list);
    std::string script;
    for (const std::string& choice : platform::Split(c.choices, " ")) {
      if (!choice.empty()) script += "choose " + choice + "\n";
      script += "click cmdSelect\n";
    }
    const RunResult run = Run(c.switches, script + kSkipAll);
    ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
    EXPECT_TRUE(run.Has(std::string("LanguageSelection.htm?application=OL&scaling=100&language=") +
                        c.opened));
    EXPECT_TRUE(run.Has(std::string("/EmailText.htm?application=OL&scaling=100&language=") +
                        c.shown + "\n"));
  }
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
