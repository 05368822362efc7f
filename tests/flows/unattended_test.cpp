// The program itself, run from the shell the way the maker's QA runs it.
#include <gtest/gtest.h>

#include "flows/flow_fixture.h"
#include "support/child_process.h"

namespace pavane::flows {
namespace {

TEST_F(FlowTest, UnattendedRunPrintsItsTranscriptAndEndsCleanly) {
  dir_.Write("road.txt",
             "# the typical road\n"
             "fill txtFirstName Anna\n"
             "fill txtEmailAddr anna@example.com\n"
             "fill txtEmailConfirm anna@example.com\n"
             "click cmdNext\n"
             "answer OK\n"
             "tick chkBundleInstall\n"
             "click cmdAccept\n"
             "answer OK\n"
             "click cmdDecline\n");
  const std::vector<std::string> environment = {
      "PAVANE_UI=headless", "PAVANE_SCRIPT=" + dir_.File("road.txt"),
      "PAVANE_REGISTRY=" + dir_.File("registry.db"),
      "PAVANE_SERVER_BASE=" + install_.Server().BaseUrl()};
  const auto run = testing::RunProgram(PAVANE_PROGRAM, {"/app=OL", "/language=en"}, environment);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("show frmEmail modal=no owner=-\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("user click cmdAccept\n"), std::string::npos);
  EXPECT_NE(run.out.find("close frmBundle\n"), std::string::npos);
  EXPECT_EQ(ServerRequests(8).size(), 8u);

  // A script alone means an unattended run; one that runs out is an error.
  const auto cut = testing::RunProgram(
      PAVANE_PROGRAM, {"/app=OL", "/language=en"},
      {"PAVANE_SCRIPT=/dev/null", "PAVANE_REGISTRY=" + dir_.File("registry.db")});
  EXPECT_NE(cut.exitCode, 0);
  EXPECT_NE(cut.err.find("pavane: script ran out while frmEmail waits for the user"),
            std::string::npos)
      << cut.err;

  // A window system the program does not have: said at once, nothing shown.
  const auto refused = testing::RunProgram(
      PAVANE_PROGRAM, {"/app=OL"}, {"PAVANE_UI=gtk", "PAVANE_SCRIPT=" + dir_.File("road.txt")});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("PAVANE_UI is \"gtk\"; it is headless or desktop"), std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.out, "");
}

}  // namespace
}  // namespace pavane::flows
