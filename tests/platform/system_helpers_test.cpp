#include "platform/system_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace pavane::platform {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

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

TEST(SystemHelpers, TempFolderIsOnlyEverOneNoOtherUserCanWrite) {
  ScopedEnv programFiles("ProgramFiles", nullptr);
  EXPECT_EQ(ProgramFilesFolder(), "/opt");
  ScopedEnv temp("Temp", nullptr);
  ScopedEnv tmpdir("TMPDIR", nullptr);
  const std::string own = "pavane-" + std::to_string(geteuid());
  const auto privateFolder = [](const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
  };
  std::string problem;
  EXPECT_EQ(TempFolder(problem), "/tmp/" + own) << "never the shared /tmp itself";
  EXPECT_TRUE(privateFolder("/tmp/" + own));

  TempDir dir;  // made 0700
  ScopedEnv set("TMPDIR", (dir.path().string() + "/").c_str());
  EXPECT_EQ(TempFolder(problem), dir.path().string()) << "a private TMPDIR is used as it is";

  for (const mode_t shared : {01777, 0770}) {
    chmod(dir.path().c_str(), shared);
    EXPECT_EQ(TempFolder(problem), dir.File(own)) << "a shared one gets a folder of the user's";
  }
  EXPECT_TRUE(privateFolder(dir.File(own)));
  // What another user can plant under that name: the instance lock's tests.
}

// The time stamp's shape and the case-blind file test are checked where they
// are used (first-run marks, the downloader start).
TEST(SystemHelpers, PathsAndNames) {
  EXPECT_EQ(JoinPath("/opt/", "/PV"), "/opt/PV");
  EXPECT_EQ(JoinPath("/", "PV"), "/PV");
  EXPECT_EQ(JoinPath("", "PV"), "PV");
  EXPECT_EQ(NativePath("localized\\PV\\LanguageLoader.ini"), "localized/PV/LanguageLoader.ini");
  EXPECT_EQ(StripAtNul(std::string("C:\\Windows\0junk", 16)), "C:\\Windows");

  const std::pair<const char*, bool> inLegal[] = {
      {"/h/Legal Files/SW/en/x.htm", true},       {"/h/Legal Files", true},
      {"/h/Legal Files/../../etc/passwd", false}, {"/h/Legal Files Old/x.htm", false},
      {"/h/./Legal Files/./x.htm", true},         {"h/Legal Files/x.htm", false},
  };
  for (const auto& [path, inside] : inLegal) {
    EXPECT_EQ(IsInsideFolder(path, "/h/Legal Files/"), inside) << path;
  }
}

}  // namespace
}  // namespace pavane::platform
