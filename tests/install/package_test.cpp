// The Debian package, made from this build tree, unpacked into a fresh folder
// and run from there: the typical road against the packaged reference server.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/devserver_process.h"
#include "support/temp_dir.h"

namespace pavane::testing {
namespace {

namespace fs = std::filesystem;

#ifdef PAVANE_HARDENED
constexpr bool kHardened = true;
#else
constexpr bool kHardened = false;
#endif

bool Found(const char* program) {
  return RunProgram("/usr/bin/env", {"which", program}).exitCode == 0;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

TEST(PackageTest, UnpackedAnywhereTheTypicalRoadPasses) {
#ifndef PAVANE_PACKAGE_TEST
  GTEST_SKIP() << "a sanitizer build is not packaged";
#endif
  if (!Found("dpkg-deb") || !Found("dpkg-shlibdeps")) GTEST_SKIP() << "no dpkg tools here";
  TempDir dir;
  const auto made =
      RunProgram(PAVANE_CPACK_COMMAND,
                 {"--config", PAVANE_BUILD_DIR "/CPackConfig.cmake", "-B", dir.File("out")});
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
  fs::path deb;
  for (const auto& entry : fs::directory_iterator(dir.File("out"))) {
    if (entry.path().extension() == ".deb") deb = entry.path();
  }
  ASSERT_FALSE(deb.empty()) << made.out;
  EXPECT_EQ(deb.filename().string(), "pavane_" PAVANE_VERSION "_amd64.deb");

  // Debian's own check of the package: no errors, no warnings, and every
  // program hardened (lintian only informs of that).
  if (kHardened && Found("lintian")) {
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

  const fs::path root = dir.path() / "unpacked here";
  ASSERT_EQ(RunProgram("/usr/bin/dpkg-deb", {"-x", deb.string(), root.string()}).exitCode, 0);
  // The commands as a user runs them, through their links into the layout.
  const fs::path commands = root / "usr/bin";
  for (const char* file : {"usr/share/doc/pavane/copyright", "usr/share/man/man1/pavane.1.gz",
                           "usr/share/man/man1/pavane-reg.1.gz", "usr/bin/pavane-devserver",
                           "usr/lib/pavane/PV/localized/en/Language.inx"}) {
    EXPECT_TRUE(fs::exists(root / file)) << file;
  }

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
      RunProgram((commands / "pavane").string(), {"/app=OL", "/language=en"},
                 {"PAVANE_UI=headless", "PAVANE_SCRIPT=" + dir.File("road.txt"),
                  "PAVANE_REGISTRY=" + registry, "PAVANE_SERVER_BASE=" + server.BaseUrl(),
                  "Temp=" + dir.File("run"), "XDG_RUNTIME_DIR=" + dir.File("run")});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;

  // Sign-up, validation and four events reached the packaged server.
  const std::string log = Joined(server.WaitForLogLines(7, std::chrono::seconds(5)));
  for (const char* arrived : {"Newsletter_Displayed", "Newsletter_Accepted", "validate.asp",
                              "installer_email.asp", "SW_Tandem_Declined", "PT_Tandem_Declined"}) {
    EXPECT_NE(log.find(arrived), std::string::npos) << arrived << "\n" << log;
  }
}

}  // namespace
}  // namespace pavane::testing
