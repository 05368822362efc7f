// Whole runs of the program on real windows, played by the scripted user of
// an unattended run (PAVANE_UI=desktop), for what only real windows show:
// the layout checks of each shot (text cut off, missing glyphs, error texts,
// a page not in the window's colour, a picture not at the scaling), a page
// that tells the screen of its check box, link clicks the screen decides, a
// modal window over its owner, the desktop's browser, and a waiting screen
// that leaves the processor alone. The pictures stay in screenshots/roads of
// the build tree.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "support/child_process.h"
#include "support/devserver_log.h"
#include "support/installation.h"

namespace pavane::testing {
namespace {

using Strings = std::vector<std::string>;

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Processor time of the children waited for so far, their own children
// (the page processes) included.
double ChildrenProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
      GTEST_SKIP() << "no display; run under xvfb-run";
    }
    // Run from the installation, the program starts its stub downloader.
    std::filesystem::copy_file(PAVANE_PROGRAM, install.ProgramFolder() + "/pavane");
  }

  // Plays `script` on the windows of a run with these switches.
  ProcessResult Play(const std::string& script, const Strings& switches) {
    return RunProgram(
        install.ProgramFolder() + "/pavane", switches,
        {"PAVANE_UI=desktop", "PAVANE_SCRIPT=" + install.Dir().Write("road.txt", script),
         "PAVANE_SHOTS=" + shots, "PAVANE_REGISTRY=" + install.Root() + "/registry.db",
         "PAVANE_SERVER_BASE=" + install.Server().BaseUrl(), "PAVANE_WEB_DOMAIN=norvale.example"});
  }

  Installation install{PAVANE_STAGE_DIR, PAVANE_STUB_DOWNLOADER, PAVANE_DEVSERVER_PROGRAM};
  const std::string shots = std::string(PAVANE_SHOTS_DIR) + "/roads";
};

TEST_F(RoadTest, TandemRoadWithTheLegalWindowAndAWebLink) {
  install.Set(Installation::kOrlentKey, "Language", "en");  // the language screen asks
  const double processorBefore = ChildrenProcessorSeconds();
  const auto started = std::chrono::steady_clock::now();
  const ProcessResult run = Play(R"(shot language
click cmdSelect
shot newsletter
# the user reads the page a while
wait 6000
fill txtFirstName Anna
fill txtEmailAddr anna@gmail.com
click cmdNext
# the confirmation is missing
shot message-box
answer OK
fill txtEmailConfirm anna@gmail.com
click cmdNext
# the firewall alert after a validated address
answer OK
shot not-spam
click cmdNext
shot offer
follow vblink/license.htm
shot legal
click cmdOK
follow https://www.norvale.example/support
tick chkBundleInstall
click cmdAccept
# the firewall message before the download
answer OK
click cmdDecline
)",
                                 {"/app=OL"});
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
  const double processor = ChildrenProcessorSeconds() - processorBefore;

  EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_EQ(run.out.find("\nlayout "), std::string::npos) << "what the pictures show\n" << run.out;
  for (const char* line : {
           "focus frmEmail txtEmailConfirm\n",  // the caret goes where the answer goes
           "show frmShowLinks modal=yes owner=frmBundle\n",
           "browser https://www.norvale.example/support?language=en&app=SW&scaling=",
           "cancel frmBundle.WebBrowser1 https://www.norvale.example/support\n",
           // The page tells the screen of its box: Accept follows it at once.
           "changed frmBundle.WebBrowser2 chkBundleInstall\n",
       }) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line;
  }
  for (const char* shot : {"language", "newsletter", "message-box", "not-spam", "offer", "legal"}) {
    EXPECT_TRUE(std::filesystem::exists(shots + "/" + shot + ".png")) << shot;
  }
  Strings actions;
  for (const auto& request : ParseLoggedRequests(install.ServerLog(8))) {
    if (request.path.ends_with("/tr.asp")) actions.push_back(request.Value("action"));
  }
  EXPECT_EQ(actions, (Strings{"Newsletter_Displayed", "Newsletter_Accepted", "SW_Tandem_Displayed",
                              "SW_Tandem_Accepted", "PT_Tandem_Displayed", "PT_Tandem_Declined"}));
  EXPECT_EQ(install.BrowserArguments().size(), 2u) << "the desktop's browser got the link";
  EXPECT_EQ(install.DownloaderArguments().size(), 7u) << "the download started";

  // Only a loop that spins breaks this: the run idles for most of its time.
  // The figures are the benchmark's (scripts/bench.sh).
  EXPECT_LT(processor, wall.count() / 3)
      << processor << " s of processor in " << wall.count() << " s";
}

TEST_F(RoadTest, JapaneseWithoutFontsOffersEnglishOrTheEnd) {
  const ProcessResult run = Play("shot fonts-missing\nclick cmdClose\n",
                                 {"/app=OL", "/language=ja", "/failjapanesefonts"});
  EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_EQ(run.out.find("\nlayout "), std::string::npos) << run.out;
  EXPECT_EQ(install.Value(Installation::kOrlentKey, "Tandem"), "Shut Down");
}

}  // namespace
}  // namespace pavane::testing
