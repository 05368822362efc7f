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
  EXPECT_EQ(GetParentFolder("/", 1), "/");
  EXPECT_EQ(GetParentFolder("/a/b", 5), "/") << "more than there are";
  EXPECT_EQ(GetParentFolder("a/b", 0), "a/b/");
}

TEST(DefaultLanguageFromLocale, TakesTheFirstSetLocaleVariable) {
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
      {"POSIX", "en"}, {"C", "en"},  {"FR_fr", "fr"}, {"sr_RS@latin", "sr"},
      {"ge_XX", "de"}, {"jp", "ja"}, {"es", "es"},
  };
  for (const auto& [locale, language] : cases) {
    ScopedEnv set("LANG", locale);
    EXPECT_EQ(DefaultLanguageFromLocale(), language) << locale;
  }
}

TEST(SystemHelpers, EnvironmentFoldersAndDefaults) {
  {
    ScopedEnv programFiles("ProgramFiles", nullptr);
    EXPECT_EQ(ProgramFilesFolder(), "/opt");
    ScopedEnv set("ProgramFiles", "/srv/apps");
    EXPECT_EQ(ProgramFilesFolder(), "/srv/apps");
  }
  ScopedEnv temp("Temp", nullptr);
  ScopedEnv tmpdir("TMPDIR", nullptr);
  EXPECT_EQ(TempFolder(), "/tmp");
  {
    ScopedEnv set("TMPDIR", "/var/tmp/");
    EXPECT_EQ(TempFolder(), "/var/tmp") << "no trailing separator";
    ScopedEnv own("Temp", "/scratch");
    EXPECT_EQ(TempFolder(), "/scratch");
  }
}

TEST(SystemHelpers, PathsTimeAndNames) {
  EXPECT_EQ(JoinPath("/opt/", "/PV"), "/opt/PV");
  EXPECT_EQ(JoinPath("/", "PV"), "/PV");
  EXPECT_EQ(JoinPath("", "PV"), "PV");
  EXPECT_EQ(NativePath("localized\\PV\\LanguageLoader.ini"), "localized/PV/LanguageLoader.ini");
  EXPECT_EQ(StripAtNul(std::string("C:\\Windows\0junk", 16)), "C:\\Windows");
  const std::string now = GetUtcTimeString();
  std::string shape = now;
  for (char& ch : shape) {
    ch = (ch >= '0' && ch <= '9') ? '9' : ch;
  }
  EXPECT_EQ(shape, "9999-99-99 99:99:99") << now;
  EXPECT_FALSE(OsVersion().empty());
  EXPECT_NE(OsVersion().back(), ' ');
  EXPECT_FALSE(funFileExists(""));
  testing::TempDir dir;
  dir.Write("Fonts/MSGothic.ttf", "");
  EXPECT_TRUE(funFileExists(dir.File("fonts/msgothic.TTF")));
  EXPECT_FALSE(funFileExists(dir.File("fonts/other.ttf")));
}

}  // namespace
}  // namespace pavane::platform
