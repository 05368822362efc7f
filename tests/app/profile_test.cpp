#include "app/profile.h"

#include <gtest/gtest.h>

#include "support/test_run.h"

namespace pavane::app {
namespace {

using testing::ScopedEnv;
using testing::TableTexts;
using testing::TestRun;

Deployment Servers() {
  return {"http://srv.example", "http://account.example", "srv.example"};
}

// The registry key each main application's setup writes: the runs of the
// other two main applications are not checked by the whole-run tests. Which
// products are offered to each is.
TEST(SetStrings, ApplicationValuesForEachMainApplication) {
  struct Case {
    const char* code;
    const char* key;
    const char* edition;
    const char* server;
  };
  for (const Case& c : {Case{"OL", "Orlent", "OLTD", "http://srv.example/ol"},
                        Case{"SW", "Sweeple", "SWTD", "http://srv.example/sw"},
                        Case{"PT", "Patch-ory", "PTTD", "http://srv.example/pt"}}) {
    SCOPED_TRACE(c.code);
    TestRun test(Servers());
    SetStrings(test.run, c.code, true);
    const ApplicationProfile& p = test.run.Profile;
    EXPECT_EQ(p.ProductKeyName, c.key);
    EXPECT_EQ(p.ProfileAppCode, c.code);
    EXPECT_EQ(p.EditionMarker, c.edition);
    EXPECT_EQ(p.ServerBaseUrl, c.server);
    EXPECT_EQ(p.TrackingUrl, "") << "language-dependent values wait for the complete profile";
  }
}

TEST(SetStrings, UnknownApplicationReportsToTheServerBase) {
  TestRun test(Servers());
  SetStrings(test.run, "ZZ", false);
  const ApplicationProfile& p = test.run.Profile;
  EXPECT_EQ(p.ProductKeyName, "");
  EXPECT_EQ(p.ServerBaseUrl, "http://srv.example");
  EXPECT_EQ(p.TrackingUrl, "http://srv.example/tr.asp?");
  for (int index : {1, 2, 4}) EXPECT_EQ(p.DoneMarkers[index], "NoT_dOnE");
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
  EXPECT_EQ(p.ProductExePaths[1], "/programs/Orlent/orlent.exe");
  EXPECT_EQ(p.TandemInstallerNames[2], "SweepleSetup.exe");
  EXPECT_EQ(p.TandemInstallerNames[1], "") << "an undefined text stays empty";
  EXPECT_EQ(p.SaccInputFileUrls[4], "http://dl.example/pt/input.txt");

  // Another language later changes nothing already taken.
  TableTexts german({{"str_SH_TD_Installer_SW", "SweepleSetupDE.exe"}, {"str_X", "x"}});
  test.run.Texts = &german;
  EXPECT_EQ(test.run.Profile.TandemInstallerNames[2], "SweepleSetup.exe");
}

TEST(SetStrings, OnlyTheUpdatersOwnEntryWaitsTenDays) {
  TestRun test(Servers());
  SetStrings(test.run, "PT", false);
  const ProductTable& delay = test.run.Profile.DaysDelay;
  EXPECT_EQ(delay[4], "10");
  EXPECT_EQ(delay[1], "7");
  EXPECT_EQ(delay[2], "7");
}

}  // namespace
}  // namespace pavane::app
