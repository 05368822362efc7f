#include "reporting/legal_links.h"

#include <gtest/gtest.h>

#include <tuple>

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

// The license, disclosures and privacy documents are checked by the
// whole-run tests of the legal windows; the other two here, and that the
// first keyword of the table decides.
TEST_F(LegalLinksTest, KeywordsOpenTheirDocumentsAndOtherAddressesStandForThemselves) {
  const std::tuple<const char*, const char*, const char*> keywords[] = {
      {"vbLink_disclaimers", "De/disclaimers.htm", "Disclaimers"},
      {"vbLink_pricing", "De/pricing.htm", "Pricing"},
      {"VBLINK privacy-license", "shared/license.htm", "EULA"},
  };
  for (const auto& [link, file, title] : keywords) {
    const LinkDecision decision = DecideLink(run(), link);
    EXPECT_EQ(decision.kind, Kind::kLegal) << link;
    EXPECT_EQ(decision.file, std::string("/opt/mk/HTML Screens/Legal Files/SW/") + file);
    EXPECT_EQ(decision.titleVariable, std::string("strLoc_PV_Legal_") + title);
  }

  const LinkDecision other =
      DecideLink(run(), "file:///opt/mk/HTML%20Screens/Legal%20Files/SW/Other.HTM");
  EXPECT_EQ(other.kind, Kind::kLegal);
  EXPECT_EQ(other.file, "/opt/mk/HTML Screens/Legal Files/SW/Other.HTM")
      << "another file of the legal folder, in its own case";

  for (const char* outside : {
           "file:///opt/mk/HTML%20Screens/Legal%20Files/../../../../etc/passwd",
           "file:///opt/mk/HTML%20Screens/Legal%20Files/%2e%2e/%2E%2E/secret.htm",
           "file:///opt/mk/html screens/legal files x/a.htm",
           "data:text/html,html screens/legal files/a",
       }) {
    EXPECT_EQ(DecideLink(run(), outside).kind, Kind::kNothing) << outside;
  }
}

// Percent-encoded file addresses of the documents are checked by the
// whole-run tests of the legal windows.
TEST_F(LegalLinksTest, WebLinksAndOtherAddressesThatAreFollowed) {
  // Ours by the host alone, with .asp?, https, in any case, the address
  // keeping its spelling; the query goes before the fragment. Others are
  // unchanged (""); web beats the legal keywords.
  const std::string suffix = "language=de&app=SW&scaling=125";
  const std::pair<const char*, std::string> web[] = {
      {"https://WWW.MAKER.EXAMPLE/page.ASP?id=Q7",
       "https://WWW.MAKER.EXAMPLE/page.ASP?id=Q7&" + suffix},
      {"http://maker.example/help.htm?topic=1#top",
       "http://maker.example/help.htm?topic=1&" + suffix + "#top"},
      {"http://maker.example/a", "http://maker.example/a?" + suffix},
      {"https://shop.Maker.Example:8443/a?b=c", "https://shop.Maker.Example:8443/a?b=c&" + suffix},
      {"https://other.example/Terms?Privacy=1", ""},
      {"http://evil.example/?ref=maker.example", ""},
      {"http://maker.example.evil.example/", ""},
      {"http://notmaker.example/", ""},
      {"http://user@evil.example/maker.example", ""},
  };
  for (const auto& [address, url] : web) {
    const LinkDecision decision = DecideLink(run(), address);
    EXPECT_EQ(decision.kind, Kind::kWeb) << address;
    EXPECT_EQ(decision.url, url.empty() ? address : url);
  }

  // Only the scheme makes a web link; the view then refuses what is not ours.
  // Another page of ours is followed, a cut-off escape kept as it is.
  for (const char* address :
       {"http:///license", "about:blank", "file:///etc/passwd?http://x", "mailto:x@http.example",
        "file:///opt/mk/HTML%20Screens/Pavane/x.htm", "file:///opt/mk/HTML%2"}) {
    EXPECT_EQ(DecideLink(run(), address).kind, Kind::kFollow) << address;
  }
}

}  // namespace
}  // namespace pavane::reporting
