// `cmake --install` gives the layout the program expects, with everything
// the build tree's staged layout has, and the program runs from there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace pavane::testing {
namespace {

namespace fs = std::filesystem;

// Every file below `root`, as paths relative to it.
std::set<std::string> FilesBelow(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).string());
  }
  return files;
}

// The test language is made in the build tree for layout checks only.
bool IsTestLanguage(const fs::path& file) {
  return std::ranges::find(file, fs::path("xa")) != file.end();
}

TEST(InstallTest, InstalledLayoutMatchesTheStagedOneAndRuns) {
  TempDir dir;
  const fs::path prefix = dir.path() / "Norvale";
  const auto install = RunProgram(PAVANE_CMAKE_COMMAND,
                                  {"--install", PAVANE_BUILD_DIR, "--prefix", prefix.string()});
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  // The rest of the layout is the stage's, which every whole-run test uses.
  const std::set<std::string> installed = FilesBelow(prefix);
  for (const char* expected : {"PV/pavane", "localized/PV/LanguageLoader.ini", "bin/pavane-reg",
                               "bin/pavane-lang", "bin/pavane-devserver"}) {
    EXPECT_TRUE(installed.contains(expected)) << expected;
  }
  EXPECT_EQ(fs::status(prefix / "PV/pavane").permissions() & fs::perms::owner_exec,
            fs::perms::owner_exec);
  // What the tests run from is what gets installed (the stage keeps its
  // stamps and the test language xa; the tools are installed beside, in bin/).
  for (const std::string& file : FilesBelow(PAVANE_STAGE_DIR)) {
    if (file.ends_with(".stamp") || IsTestLanguage(file)) continue;
    EXPECT_TRUE(installed.contains(file)) << file << " is staged but not installed";
  }
  for (const std::string& file : installed) {
    if (file.starts_with("bin/")) continue;
    EXPECT_TRUE(fs::exists(fs::path(PAVANE_STAGE_DIR) / file))
        << file << " is installed but not staged";
  }

  // An unattended run of the installed program: pages and language files
  // are found beside it. Nothing listens at the server address.
  dir.Write("skip.txt", "click cmdSkip\nclick cmdDecline\nclick cmdDecline\n");
  dir.Write("run/.keep", "");
  const auto run = RunProgram(
      (prefix / "PV/pavane").string(), {"/app=OL", "/language=ja"},
      {"PAVANE_UI=headless", "PAVANE_SCRIPT=" + dir.File("skip.txt"),
       "PAVANE_REGISTRY=" + dir.File("registry.db"), "PAVANE_SERVER_BASE=http://127.0.0.1:9",
       "Temp=" + dir.File("run"), "XDG_RUNTIME_DIR=" + dir.File("run")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("file://" + prefix.string() +
                         "/HTML%20Screens/Pavane/localized/ja/EmailText.htm?application=OL"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("close frmBundle"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace pavane::testing
