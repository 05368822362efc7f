#include "app/profile.h"

#include <gtest/gtest.h>

#include "pavane/build_config.h"
#include "support/test_run.h"

namespace pavane::app {
namespace {

using testing::ScopedEnv;
using testing::TableTexts;
using testing::TestRun;

// The servers as QA points a run elsewhere; the paths below them are
// appended with their own slash.
Deployment Servers() {
  ScopedEnv server("PAVANE_SERVER_BASE", "http://srv.example//");
  ScopedEnv account("PAVANE_ACCOUNT_HOST", "http://account.example/");
  ScopedEnv domain("PAVANE_WEB_DOMAIN", "maker.example");
  return Deployment::FromEnvironment();
}

// The registry key each main application's setup writes: the runs of the
// other two main applications are not checked by the whole-run tests. Which
// products are offered to each is. Any other code still reports, to the
// server without a product path.
TEST(SetStrings, ApplicationValuesForEachMainApplication) {
  struct Case {
    const char* code;
    const char* key;
    const char* edition;
    const char* server;
    int index;
    const char* ownDelay;
  };
  for (const Case& c : {Case{"OL", "Orlent", "OLTD", "http://srv.example/ol", 1, "7"},
                        Case{"SW", "Sweeple", "SWTD", "http://srv.example/sw", 2, "7"},
                        Case{"PT", "Patch-ory", "PTTD", "http://srv.example/pt", 4, "10"},
                        Case{"ZZ", "", "", "http://srv.example", 0, ""}}) {
    SCOPED_TRACE(c.code);
    TestRun test(Servers());
    SetStrings(test.run, c.code, true);
    const ApplicationProfile& p = test.run.Profile;
    EXPECT_EQ(p.ProductKeyName, c.key);
    EXPECT_EQ(p.ProfileAppCode, c.index != 0 ? c.code : "");
    EXPECT_EQ(p.EditionMarker, c.edition);
    EXPECT_EQ(p.ServerBaseUrl, c.server);
    EXPECT_EQ(p.TrackingUrl, "") << "language-dependent values wait for the complete profile";

    SetStrings(test.run, c.code, false);
    EXPECT_EQ(p.TrackingUrl, std::string(c.server) + "/tr.asp?");
    for (int index : {1, 2, 4}) {
      EXPECT_EQ(p.DoneMarkers[index], index == c.index ? "DoNe" : "NoT_dOnE") << index;
      EXPECT_EQ(p.DaysDelay[index], index == c.index ? c.ownDelay : "7")
          << index << ": only the updater's own entry waits ten days";
    }
  }
}

TEST(SetStrings, CompleteProfileTakesTheLanguageTextsOnce) {
  ScopedEnv programFiles("ProgramFiles", "/programs");
  TestRun test(Servers());
  TableTexts english({{"str_SH_TD_Installer_SW", "SweepleSetup.exe"},
                      {"strURL_SH_InputFileSACC_PT", "http://dl.example/pt/input.txt"}});
  test.run.Texts = &english;
  SetStrings(test.run, "SW", true);
  SetStrings(test.run, "SW", false);

  const ApplicationProfile& p = test.run.Profile;
  EXPECT_EQ(p.AccountPageUrl, "http://account.example/default.asp");
  EXPECT_EQ(test.run.Deploy.WebDomain, "maker.example");
  ScopedEnv empty("PAVANE_WEB_DOMAIN", "");
  EXPECT_EQ(Deployment::FromEnvironment().WebDomain, build::kWebDomain)
      << "an empty variable counts as unset";
  EXPECT_EQ(p.ProductExePaths[1], "/programs/Orlent/orlent.exe");
  EXPECT_EQ(p.TandemInstallerNames[2], "SweepleSetup.exe");
  EXPECT_EQ(p.TandemInstallerNames[1], "") << "an undefined text stays empty";
  EXPECT_EQ(p.SaccInputFileUrls[4], "http://dl.example/pt/input.txt");
}

}  // namespace
}  // namespace pavane::app
