#include "reporting/legal_links.h"

#include <gtest/gtest.h>

#include "support/test_run.h"

namespace pavane::reporting {
namespace {

using Kind = LinkDecision::Kind;
using pavane::testing::TestRun;

class LegalLinksTest : public ::testing::Test {
 protected:
  LegalLinksTest() : test_(Deployment{"http://s", "http://a", "Maker.Example"}) {
    RunSettings& settings = run().Settings;
    settings.HtmlScreensFolder = "/opt/mk/HTML Screens/";
    settings.ShownAppCode = "SW";
    settings.LanguageCode = "De";
    settings.ScalingPercent = 125;
  }
  pavane::Run& run() { return test_.run; }

  TestRun test_;
};

TEST_F(LegalLinksTest, EveryLegalDocument) {
  struct Row {
    const char* keyword;
    const char* file;
    const char* title;
  };
  const std::string legal = "/opt/mk/HTML Screens/Legal Files/";
  const Row rows[] = {
      {"disclaimers", "SW/De/disclaimers.htm", "strLoc_PV_Legal_Disclaimers"},
      {"disclosures", "SW/De/disclosures.htm", "strLoc_PV_Legal_Disclosures"},
      {"license", "SW/shared/license.htm", "strLoc_PV_Legal_EULA"},
      {"pricing", "SW/De/pricing.htm", "strLoc_PV_Legal_Pricing"},
      {"privacy", "Shared/De/privacy.htm", "strLoc_PV_Legal_PrivacyPolicy"},
  };
  for (const Row& row : rows) {
    const LinkDecision decision = DecideLink(run(), std::string("vbLink_") + row.keyword);
    EXPECT_EQ(decision.kind, Kind::kLegal) << row.keyword;
    EXPECT_EQ(decision.file, legal + row.file) << row.keyword;
    EXPECT_EQ(decision.titleVariable, row.title) << row.keyword;
    EXPECT_EQ(decision.formUrl, legal + row.file + "?App=SW") << row.keyword;
  }

  const LinkDecision both = DecideLink(run(), "VBLINK privacy-license");
  EXPECT_EQ(both.titleVariable, "strLoc_PV_Legal_EULA") << "the table's order decides";

  const LinkDecision none = DecideLink(run(), "C:\\HTML Screens\\Legal Files\\Other.HTM");
  EXPECT_EQ(none.kind, Kind::kLegal);
  EXPECT_EQ(none.file, "c:\\html screens\\legal files\\other.htm") << "the address itself";
  EXPECT_EQ(none.titleVariable, "");
  EXPECT_EQ(none.formUrl, "c:\\html screens\\legal files\\other.htm?App=SW");
}

TEST_F(LegalLinksTest, FileUrlsArePercentDecodedAndEitherSeparatorMatches) {
  const LinkDecision decision =
      DecideLink(run(), "file:///opt/mk/HTML%20Screens/Legal%20Files/SW/De/Pricing.htm");
  EXPECT_EQ(decision.kind, Kind::kLegal);
  EXPECT_EQ(decision.titleVariable, "strLoc_PV_Legal_Pricing");

  EXPECT_EQ(DecideLink(run(), "file:///opt/mk/HTML%20Screens/Pavane/x.htm").kind, Kind::kFollow)
      << "another page of ours";
  EXPECT_EQ(DecideLink(run(), "file:///opt/mk/HTML%2").kind, Kind::kFollow)
      << "a cut-off escape is kept as it is";
}

TEST_F(LegalLinksTest, WebLinks) {
  const std::string suffix = "language=de&app=SW&scaling=125";
  LinkDecision decision = DecideLink(run(), "http://www.maker.example/Help");
  EXPECT_EQ(decision.kind, Kind::kWeb);
  EXPECT_EQ(decision.url, "http://www.maker.example/Help?" + suffix) << "without .asp?";

  decision = DecideLink(run(), "https://WWW.MAKER.EXAMPLE/page.ASP?id=Q7");
  EXPECT_EQ(decision.kind, Kind::kWeb);
  EXPECT_EQ(decision.url, "https://WWW.MAKER.EXAMPLE/page.ASP?id=Q7&" + suffix)
      << "with .asp?, https, any case; the address keeps its spelling";

  decision = DecideLink(run(), "https://other.example/Terms?Privacy=1");
  EXPECT_EQ(decision.kind, Kind::kWeb) << "web beats the legal keywords";
  EXPECT_EQ(decision.url, "https://other.example/Terms?Privacy=1") << "unchanged";

  EXPECT_EQ(DecideLink(run(), "http:///license").kind, Kind::kFollow);
  EXPECT_EQ(DecideLink(run(), "HTTPS:///x").kind, Kind::kFollow);
  EXPECT_EQ(DecideLink(run(), "about:blank").kind, Kind::kFollow);
  EXPECT_EQ(DecideLink(run(), "file:///opt/mk/HTML%20Screens/Pavane/next.htm").kind, Kind::kFollow);

  run().Deploy.WebDomain = "";
  EXPECT_EQ(DecideLink(run(), "http://www.maker.example/Help").url, "http://www.maker.example/Help")
      << "no domain configured: no link is the maker's";
}

TEST_F(LegalLinksTest, PrintCommand) {
  EXPECT_EQ(BuildPrintCommand(R"(RUNDLL32.EXE %SystemRoot%\system32\mshtml.dll,PrintHTML "%1")",
                              R"(C:\WINDOWS)", R"(C:\Maker\HTML Screens\Legal Files\x.htm?App=OL)"),
            R"(rundll32.exe C:\WINDOWS\system32\mshtml.dll,PrintHTML )"
            R"("file:///C:\Maker\HTML Screens\Legal Files\x.htm?App=OL")");
  EXPECT_EQ(BuildPrintCommand(R"(printer "%1")", "/w", "/opt/mk/x.htm?App=OL"),
            R"(printer "file:///opt/mk/x.htm?App=OL")")
      << "a native path gives three slashes, not four";
}

}  // namespace
}  // namespace pavane::reporting
