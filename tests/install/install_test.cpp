// `cmake --install` gives the layout the program expects below
// <prefix>/lib/pavane, with everything the build tree's staged layout has,
// the commands in <prefix>/bin, and the program runs from there.
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

  // The prefix gets the layout below lib/pavane, each command as a link into
  // it with its man page, and the documentation; nothing else.
  std::set<std::string> top;
  for (const auto& entry : fs::directory_iterator(prefix)) top.insert(entry.path().filename());
  EXPECT_EQ(top, (std::set<std::string>{"bin", "lib", "share"}));
  const fs::path layout = prefix / "lib/pavane";
  for (const std::string command : {"pavane", "pavane-reg", "pavane-lang", "pavane-devserver"}) {
    const fs::path link = prefix / "bin" / command;
    EXPECT_TRUE(fs::is_symlink(link) && fs::read_symlink(link).is_relative()) << link;
    EXPECT_EQ(fs::status(link).permissions() & fs::perms::owner_exec, fs::perms::owner_exec)
        << link << " leads to no program";
    EXPECT_TRUE(fs::exists(prefix / "share/man/man1" / (command + ".1.gz"))) << command;
  }
  EXPECT_TRUE(fs::exists(prefix / "share/doc/pavane/copyright"));

  // The rest of the layout is the stage's, which every whole-run test uses.
  const std::set<std::string> installed = FilesBelow(layout);
  for (const char* expected : {"PV/pavane", "localized/PV/LanguageLoader.ini", "bin/pavane-reg",
                               "bin/pavane-lang", "bin/pavane-devserver"}) {
    EXPECT_TRUE(installed.contains(expected)) << expected;
  }
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

  // An unattended run of the installed command: pages and language files
  // are found beside the program it leads to. Nothing listens at the server
  // address.
  dir.Write("skip.txt", "click cmdSkip\nclick cmdDecline\nclick cmdDecline\n");
  dir.Write("run/.keep", "");
  const auto run = RunProgram(
      (prefix / "bin/pavane").string(), {"/app=OL", "/language=ja"},
      {"PAVANE_UI=headless", "PAVANE_SCRIPT=" + dir.File("skip.txt"),
       "PAVANE_REGISTRY=" + dir.File("registry.db"), "PAVANE_SERVER_BASE=http://127.0.0.1:9",
       "Temp=" + dir.File("run"), "XDG_RUNTIME_DIR=" + dir.File("run")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("file://" + layout.string() +
                         "/HTML%20Screens/Pavane/localized/ja/EmailText.htm?application=OL"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("close frmBundle"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace pavane::testing
