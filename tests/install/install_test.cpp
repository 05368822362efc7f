// The program as users get it: `cmake --install` of this build tree, and the
// Debian package made from it, unpacked anywhere. Either gives the layout the
// program expects below <prefix>/lib/pavane, with everything the build tree's
// staged layout has and the commands in <prefix>/bin, and the typical road
// passes when run from there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/devserver_process.h"
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

bool Found(const char* program) {
  return RunProgram("/usr/bin/env", {"which", program}).exitCode == 0;
}

// The prefix of one `cmake --install` for all tests here.
const fs::path& Installed() {
  static const TempDir dir;
  static const fs::path prefix = [] {
    const fs::path prefix = dir.path() / "Norvale";
    const auto install = RunProgram(PAVANE_CMAKE_COMMAND,
                                    {"--install", PAVANE_BUILD_DIR, "--prefix", prefix.string()});
    EXPECT_EQ(install.exitCode, 0) << install.out << install.err;
    return prefix;
  }();
  return prefix;
}

// The commands below `prefix` as a user runs them, through their links into
// the layout: sign-up, validation and four events reach the installed
// reference server, and the pages and language files are found beside the
// program.
void ExpectTypicalRoadPasses(const fs::path& prefix) {
  TempDir dir;
  const fs::path commands = prefix / "bin";
  DevserverProcess server((commands / "pavane-devserver").string());
  ASSERT_TRUE(server.started());
  const std::string registry = dir.File("registry.db");
  ASSERT_EQ(RunProgram((commands / "pavane-reg").string(),
                       {"--registry", registry, "create", "HKEY_LOCAL_MACHINE\\Software\\Orlent"})
                .exitCode,
            0);
  dir.Write("road.txt",
            "fill txtFirstName Anna\nfill txtEmailAddr anna@example.com\n"
            "fill txtEmailConfirm anna@example.com\nclick cmdNext\nanswer OK\n"
            "click cmdDecline\nclick cmdDecline\n");
  dir.Write("run/.keep", "");
  const auto run =
      RunProgram((commands / "pavane").string(), {"/app=OL", "/language=ja"},
                 {"PAVANE_UI=headless", "PAVANE_SCRIPT=" + dir.File("road.txt"),
                  "PAVANE_REGISTRY=" + registry, "PAVANE_SERVER_BASE=" + server.BaseUrl(),
                  "Temp=" + dir.File("run"), "XDG_RUNTIME_DIR=" + dir.File("run")});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  std::string layout = "file://" + (prefix / "lib/pavane").string();
  for (std::size_t blank; (blank = layout.find(' ')) != std::string::npos;) {
    layout.replace(blank, 1, "%20");
  }
  EXPECT_NE(
      run.out.find(layout + "/HTML%20Screens/Pavane/localized/ja/EmailText.htm?application=OL"),
      std::string::npos)
      << run.out;

  std::string log;
  for (const std::string& line : server.WaitForLogLines(7, std::chrono::seconds(5))) {
    log += line + "\n";
  }
  for (const char* arrived : {"Newsletter_Displayed", "Newsletter_Accepted", "validate.asp",
                              "installer_email.asp", "SW_Tandem_Declined", "PT_Tandem_Declined"}) {
    EXPECT_NE(log.find(arrived), std::string::npos) << arrived << "\n" << log;
  }
}

TEST(InstallTest, InstalledLayoutMatchesTheStagedOneAndRuns) {
  // The layout below lib/pavane is the stage's, which every whole-run test
  // uses (the stage keeps its stamps and the test language xa; the tools are
  // installed beside, in bin/). Lintian checks the rest: the commands' man
  // pages, the copyright, links that stay inside the package.
  const fs::path& prefix = Installed();
  const std::set<std::string> installed = FilesBelow(prefix / "lib/pavane");
  for (const std::string& file : FilesBelow(PAVANE_STAGE_DIR)) {
    if (file.ends_with(".stamp") || IsTestLanguage(file)) continue;
    EXPECT_TRUE(installed.contains(file)) << file << " is staged but not installed";
  }
  for (const std::string& file : installed) {
    if (file.starts_with("bin/")) continue;
    EXPECT_TRUE(fs::exists(fs::path(PAVANE_STAGE_DIR) / file))
        << file << " is installed but not staged";
  }
  ExpectTypicalRoadPasses(prefix);
}

TEST(InstallTest, PackageHoldsTheInstalledFilesAndRunsUnpackedAnywhere) {
#ifndef PAVANE_PACKAGE_TEST
  GTEST_SKIP() << "a sanitizer build is not packaged";
#endif
  if (!Found("dpkg-deb") || !Found("dpkg-shlibdeps")) GTEST_SKIP() << "no dpkg tools here";
  TempDir dir;
  const auto made =
      RunProgram(PAVANE_CPACK_COMMAND,
                 {"--config", PAVANE_BUILD_DIR "/CPackConfig.cmake", "-B", dir.File("out")});
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
  const fs::path deb = dir.File("out/pavane_" PAVANE_VERSION "_amd64.deb");
  ASSERT_TRUE(fs::exists(deb)) << made.out;

  // Debian's own check of the package: no errors, no warnings, and every
  // program hardened (lintian only informs of that).
#ifdef PAVANE_HARDENED
  if (Found("lintian")) {
    std::vector<std::string> lintian{"lintian", "--display-info", "--fail-on", "error,warning"};
#ifdef __clang__
    // Debian 12's C library fortifies the printf family for GCC only, and
    // what clang can fortify our programs need not call.
    lintian.insert(lintian.end(), {"--suppress-tags", "hardening-no-fortify-functions"});
#endif
    lintian.push_back(deb.string());
    const auto lint = RunProgram("/usr/bin/env", lintian);
    EXPECT_EQ(lint.exitCode, 0) << lint.out << lint.err;
    EXPECT_EQ(lint.out.find("hardening-"), std::string::npos) << lint.out;
  }
#endif

  const fs::path root = dir.path() / "unpacked here";
  ASSERT_EQ(RunProgram("/usr/bin/dpkg-deb", {"-x", deb.string(), root.string()}).exitCode, 0);
  EXPECT_EQ(FilesBelow(root / "usr"), FilesBelow(Installed()));
  ExpectTypicalRoadPasses(root / "usr");
}

}  // namespace
}  // namespace pavane::testing
