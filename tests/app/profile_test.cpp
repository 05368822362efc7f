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

TEST(SetStrings, ApplicationValuesForEachMainApplication) {
  struct Case {
    const char* code;
    const char* key;
    const char* edition;
    const char* server;
    int own;
  };
  for (const Case& c : {Case{"OL", "Orlent", "OLTD", "http://srv.example/ol", 1},
                        Case{"SW", "Sweeple", "SWTD", "http://srv.example/sw", 2},
                        Case{"PT", "Patch-ory", "PTTD", "http://srv.example/pt", 4}}) {
    SCOPED_TRACE(c.code);
    TestRun test(Servers());
    SetStrings(test.run, c.code, true);
    const ApplicationProfile& p = test.run.Profile;
    EXPECT_EQ(p.ProductKeyName, c.key);
    EXPECT_EQ(p.ProfileAppCode, c.code);
    EXPECT_EQ(p.EditionMarker, c.edition);
    EXPECT_EQ(p.ServerBaseUrl, c.server);
    for (int index : {1, 2, 4}) {
      EXPECT_EQ(p.DoneMarkers[index], index == c.own ? "DoNe" : "NoT_dOnE") << index;
    }
    EXPECT_EQ(p.DownloaderName, "/Fetchwick.exe");
    EXPECT_EQ(p.TrackingUrl, "") << "language-dependent values wait for the complete profile";
    EXPECT_EQ(p.AccountPageUrl, "");
  }
}

TEST(SetStrings, UnknownApplicationLeavesTheProfileEmpty) {
  TestRun test(Servers());
  SetStrings(test.run, "ZZ", false);
  const ApplicationProfile& p = test.run.Profile;
  EXPECT_EQ(p.ProductKeyName, "");
  EXPECT_EQ(p.ServerBaseUrl, "");
  EXPECT_EQ(p.TrackingUrl, "/tr.asp?");
  for (int index : {1, 2, 4}) EXPECT_EQ(p.DoneMarkers[index], "NoT_dOnE");
}

TEST(SetStrings, CompleteProfileTakesTheLanguageTextsOnce) {
  ScopedEnv programFiles("ProgramFiles", "/programs");
  TestRun test(Servers());
  TableTexts english({{"str_SH_TD_Installer_SW", "SweepleSetup.exe"},
                      {"str_SH_TD_Installer_PT", "PatchorySetup.exe"},
                      {"strURL_SH_InputFileSACC_PT", "http://dl.example/pt/input.txt"},
                      {"str_SH_PV_Installer_SW", "SweepleWeb.exe"}});
  test.run.Texts = &english;
  SetStrings(test.run, "SW", true);
  SetStrings(test.run, "SW", false);

  const ApplicationProfile& p = test.run.Profile;
  EXPECT_EQ(p.AccountPageUrl, "http://account.example/default.asp");
  EXPECT_EQ(p.TrackingUrl, "http://srv.example/sw/tr.asp?");
  EXPECT_EQ(p.StateValueName, "TDState");
  EXPECT_EQ(p.ProductExePaths[0], "/programs");
  EXPECT_EQ(p.ProductExePaths[1], "/programs/Orlent/orlent.exe");
  EXPECT_EQ(p.ProductExePaths[2], "/programs/Sweeple/sweeple.exe");
  EXPECT_EQ(p.ProductExePaths[4], "/programs/Patchory/Patch-ory.exe");
  EXPECT_EQ(p.TandemInstallerNames[2], "SweepleSetup.exe");
  EXPECT_EQ(p.TandemInstallerNames[4], "PatchorySetup.exe");
  EXPECT_EQ(p.TandemInstallerNames[1], "") << "an undefined text stays empty";
  EXPECT_EQ(p.SaccInputFileUrls[4], "http://dl.example/pt/input.txt");
  EXPECT_EQ(p.PavaneInstallerNames[2], "SweepleWeb.exe");

  // Another language later changes nothing already taken.
  TableTexts german({{"str_SH_TD_Installer_SW", "SweepleSetupDE.exe"}, {"str_X", "x"}});
  test.run.Texts = &german;
  EXPECT_EQ(test.run.Profile.TandemInstallerNames[2], "SweepleSetup.exe");
}

TEST(SetStrings, DaysDelayOfTheMainApplicationReachesItsOwnEntry) {
  for (const auto& [code, index, own] :
       {std::tuple{"OL", 1, "7"}, std::tuple{"SW", 2, "7"}, std::tuple{"PT", 4, "10"}}) {
    SCOPED_TRACE(code);
    TestRun test(Servers());
    SetStrings(test.run, code, false);
    const ProductTable& delay = test.run.Profile.DaysDelay;
    EXPECT_EQ(delay[index], own);
    for (int other : {1, 2, 4}) {
      if (other != index) {
        EXPECT_EQ(delay[other], "7");
      }
    }
  }
}

}  // namespace
}  // namespace pavane::app
