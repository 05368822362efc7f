// The downloader's command lines, as the accepted offer builds them and as
// the downloader receives them.
#include <gtest/gtest.h>

#include <filesystem>

#include "flows/flow_fixture.h"

namespace pavane::flows {
namespace {

constexpr const char* kAcceptSweeple =
    "click cmdSkip\ntick chkBundleInstall\nclick cmdAccept\nanswer OK\nclick cmdDecline\n";

TEST_F(FlowTest, TandemDownloadStartsTheDownloaderWithItsCommandLine) {
  const RunResult run = Run("/app=OL /language=en", kAcceptSweeple);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_EQ(
      DownloaderArguments(),
      (std::vector<std::string>{
          root_ + "/PV/Fetchwick.exe", "/Execute",
          "/http=http:\\\\" + install_.ServerHost() + "\\sw\\SweepleSetup.exe",
          "/target=" + root_ + "/tmp/SweepleSetup.exe", "/sacc=SW", "/app=OL", "/language=en"}));
}

TEST_F(FlowTest, TestModeDownloadsFromTheTestAreaAndSaysSo) {
  const RunResult run =
      Run("/app=OL /language=de /K2619",
          "click cmdSkip\ntick chkBundleInstall\nclick cmdAccept\nanswer OK\nanswer OK\n"
          "click cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(
      run.Has("message \"Test Mode\" style=0 \"Downloading from:\\n"
              "http://" +
              install_.ServerHost() + "/sw/test/SweepleSetup.exe\""));
  const auto arguments = DownloaderArguments();
  ASSERT_EQ(arguments.size(), 8u);
  EXPECT_EQ(arguments[2],
            "/http=http:\\\\" + install_.ServerHost() + "\\sw\\test\\SweepleSetup.exe");
  EXPECT_EQ(arguments[7], "/K2619");
}

TEST_F(FlowTest, SalesAccountTestModeInsertsTheTestFolderIntoTheInputFile) {
  const RunResult run = Run("/app=OL /language=en /sacc=sw /k2619",
                            "tick chkBundleInstall\nclick cmdAccept\nclick cmdClose\nanswer OK\n");
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_EQ(DownloaderArguments(),
            (std::vector<std::string>{root_ + "/PV/Fetchwick.exe", "/Verbose", "/Execute",
                                      "/http=http:\\\\" + install_.ServerHost() +
                                          "\\sw\\test\\pavane\\SweepleWebSetup.exe",
                                      "/target=" + root_ + "/tmp/SweepleWebSetup.exe", "/sacc=SW",
                                      "/app=OL", "/language=en", "/K2619"}));
}

TEST_F(FlowTest, DevelopmentLayoutFindsTheDownloaderBesideTheProgramFolder) {
  UseDevelopmentLayout();
  const RunResult run = Run("/app=PT /language=fr /noproduction",
                            "click cmdSkip\ntick chkBundleInstall\nclick cmdAccept\nanswer OK\n"
                            "click cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  const auto arguments = DownloaderArguments();
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(arguments[0], root_ + "/FW/Fetchwick.exe");
  EXPECT_EQ(arguments[2], "/http=http:\\\\" + install_.ServerHost() + "\\ol\\OrlentSetup.exe");
  EXPECT_EQ(Value("HKEY_LOCAL_MACHINE\\Software\\Orlent", "MainInstallerName"), "Patch-ory")
      << "the offered product learns which setup brought it";
}

TEST_F(FlowTest, MissingDownloaderStartsNothingAndTheRunGoesOn) {
  std::filesystem::remove(root_ + "/PV/Fetchwick.exe");
  const RunResult run = Run("/app=OL /language=en", kAcceptSweeple);
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions()[3], "SW_Tandem_Accepted");
  EXPECT_EQ(Value("HKEY_LOCAL_MACHINE\\Software\\Sweeple", "MainInstallerName"), "Error");
}

}  // namespace
}  // namespace pavane::flows
