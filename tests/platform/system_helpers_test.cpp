#include "platform/system_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace pavane::platform {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

// The languages the environment asks for, the first of them the default.
TEST(LanguagesFromLocale, GnuLanguageListFirstThenTheFirstSetLocaleVariable) {
  const struct {
    const char* env[4];  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG; nullptr: unset
    std::vector<std::string> languages;
  } cases[] = {
      {{nullptr, nullptr, nullptr, nullptr}, {}},
      {{nullptr, nullptr, nullptr, "de_DE.UTF-8"}, {"de"}},
      {{nullptr, "", "ja_JP.eucJP", "de_DE.UTF-8"}, {"ja"}},  // empty means unset
      {{nullptr, "C.UTF-8", "ja_JP.eucJP", "de_DE.UTF-8"}, {}},
      {{nullptr, nullptr, nullptr, "POSIX"}, {}},
      {{nullptr, nullptr, nullptr, "C"}, {}},
      {{nullptr, nullptr, nullptr, "sr@latin"}, {"sr"}},
      {{nullptr, nullptr, nullptr, "jp"}, {"ja"}},
      {{nullptr, nullptr, nullptr, "e1_XX"}, {}},
      {{nullptr, nullptr, nullptr, "deu_DE"}, {"deu"}},
      {{"es:fr_FR", nullptr, nullptr, "de_DE.UTF-8"}, {"es", "fr", "de"}},
      {{"DE_at:de", nullptr, nullptr, "de_DE.UTF-8"}, {"de"}},
      {{"::x:pt_BR.UTF-8", nullptr, nullptr, "de_DE.UTF-8"}, {"pt", "de"}},
      {{"../..:fil", nullptr, nullptr, "de_DE.UTF-8"}, {"fil", "de"}},
      {{"es", nullptr, nullptr, "C.UTF-8"}, {}},  // the C locale reads no LANGUAGE
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.env[0] ? c.env[0] : "-") + " " + (c.env[3] ? c.env[3] : "-"));
    ScopedEnv language("LANGUAGE", c.env[0]);
    ScopedEnv all("LC_ALL", c.env[1]);
    ScopedEnv messages("LC_MESSAGES", c.env[2]);
    ScopedEnv lang("LANG", c.env[3]);
    EXPECT_EQ(LanguagesFromLocale(), c.languages);
    EXPECT_EQ(DefaultLanguageFromLocale(), c.languages.empty() ? "en" : c.languages[0]);
  }
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

  for (const mode_t shared : {01777, 0770, 0703}) {
    chmod(dir.path().c_str(), shared);
    EXPECT_EQ(TempFolder(problem), dir.File(own)) << "a shared one gets a folder of the user's";
  }
  EXPECT_TRUE(privateFolder(dir.File(own)));
  // What another user can plant under that name: the instance lock's tests.
}

// The time stamp's shape and the case-blind file test are checked where they
// are used (first-run marks, the downloader start).
TEST(SystemHelpers, PathsAndNames) {
  EXPECT_EQ(GetParentFolder("/a/b/c/", 2), "/a/b/") << "the empty last component is one";
  EXPECT_EQ(GetParentFolder("/a/b", 5), "/") << "more than there are";
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
