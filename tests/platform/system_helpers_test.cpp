#include "platform/system_helpers.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace pavane::platform {
namespace {

using testing::ScopedEnv;

TEST(GetParentFolder, DropsTrailingComponents) {
  EXPECT_EQ(GetParentFolder("/a/b/c", 1), "/a/b/");
  EXPECT_EQ(GetParentFolder("/a/b/c", 2), "/a/");
  EXPECT_EQ(GetParentFolder("/a/b/c/", 1), "/a/b/c/") << "the empty last component is the one";
  EXPECT_EQ(GetParentFolder("/a/b", 5), "/") << "more than there are";
}

TEST(DefaultLanguageFromLocale, TakesTheFirstSetLocaleVariable) {
  ScopedEnv list("LANGUAGE", nullptr);
  ScopedEnv all("LC_ALL", nullptr);
  ScopedEnv messages("LC_MESSAGES", nullptr);
  ScopedEnv lang("LANG", nullptr);
  EXPECT_EQ(DefaultLanguageFromLocale(), "en") << "none set";
  {
    ScopedEnv set("LANG", "de_DE.UTF-8");
    EXPECT_EQ(DefaultLanguageFromLocale(), "de");
    ScopedEnv over("LC_MESSAGES", "ja_JP.eucJP");
    EXPECT_EQ(DefaultLanguageFromLocale(), "ja");
    ScopedEnv empty("LC_ALL", "");
    EXPECT_EQ(DefaultLanguageFromLocale(), "ja") << "empty means unset";
    ScopedEnv c("LC_ALL", "C.UTF-8");
    EXPECT_EQ(DefaultLanguageFromLocale(), "en");
  }
  const std::pair<const char*, const char*> cases[] = {
      {"POSIX", "en"}, {"C", "en"},  {"FR_fr", "fr"}, {"sr_RS@latin", "sr"}, {"fil_PH", "fil"},
      {"ge_XX", "de"}, {"jp", "ja"}, {"es", "es"},    {"e1_XX", "en"},       {"deu_DE", "deu"},
  };
  for (const auto& [locale, language] : cases) {
    ScopedEnv set("LANG", locale);
    EXPECT_EQ(DefaultLanguageFromLocale(), language) << locale;
  }
}

TEST(LanguagesFromLocale, GnuLanguageListComesFirst) {
  ScopedEnv all("LC_ALL", nullptr);
  ScopedEnv messages("LC_MESSAGES", nullptr);
  ScopedEnv lang("LANG", "de_DE.UTF-8");
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"es:fr_FR", {"es", "fr", "de"}},
      {"DE_at:de", {"de"}},
      {"::x:pt_BR.UTF-8", {"pt", "de"}},
      {"../..:fil", {"fil", "de"}},
  };
  for (const auto& [list, expected] : cases) {
    ScopedEnv set("LANGUAGE", list);
    EXPECT_EQ(LanguagesFromLocale(), expected) << list;
  }
  ScopedEnv c("LANG", "C.UTF-8");
  ScopedEnv set("LANGUAGE", "es");
  EXPECT_TRUE(LanguagesFromLocale().empty()) << "the C locale reads no LANGUAGE";
}

TEST(NormalizeLanguageCode, OneFormForEverySource) {
  const std::pair<const char*, const char*> cases[] = {
      {"DE", "de"},  {" fr ", "fr"}, {"fil", "fil"},    {"Ge", "de"},      {"", ""},     {"x", ""},
      {"de-de", ""}, {"../x", ""},   {"../../tmp", ""}, {"d\xc3\xa9", ""}, {"abcd", ""}, {"e1", ""},
  };
  for (const auto& [code, normal] : cases) EXPECT_EQ(NormalizeLanguageCode(code), normal) << code;
}

// The Windows variables themselves are set in every whole-run test.
TEST(SystemHelpers, FolderDefaultsWithoutTheWindowsVariables) {
  ScopedEnv programFiles("ProgramFiles", nullptr);
  ScopedEnv temp("Temp", nullptr);
  ScopedEnv tmpdir("TMPDIR", nullptr);
  EXPECT_EQ(ProgramFilesFolder(), "/opt");
  EXPECT_EQ(TempFolder(), "/tmp");
  ScopedEnv set("TMPDIR", "/var/tmp/");
  EXPECT_EQ(TempFolder(), "/var/tmp") << "no trailing separator";
}

// The time stamp's shape and the case-blind file test are checked where they
// are used (first-run marks, the downloader start).
TEST(SystemHelpers, PathsAndNames) {
  EXPECT_EQ(JoinPath("/opt/", "/PV"), "/opt/PV");
  EXPECT_EQ(JoinPath("/", "PV"), "/PV");
  EXPECT_EQ(JoinPath("", "PV"), "PV");
  EXPECT_EQ(NativePath("localized\\PV\\LanguageLoader.ini"), "localized/PV/LanguageLoader.ini");
  EXPECT_EQ(StripAtNul(std::string("C:\\Windows\0junk", 16)), "C:\\Windows");
  EXPECT_FALSE(funFileExists(""));
}

}  // namespace
}  // namespace pavane::platform
