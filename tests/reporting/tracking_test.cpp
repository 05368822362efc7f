#include "reporting/tracking.h"

#include <gtest/gtest.h>

#include <map>

#include "pavane/build_config.h"
#include "reporting/http_get.h"
#include "support/devserver_log.h"
#include "support/devserver_process.h"
#include "support/elapsed.h"
#include "support/test_run.h"

namespace pavane::reporting {
namespace {

using pavane::testing::Clock;
using pavane::testing::DevserverProcess;
using pavane::testing::SecondsSince;
using std::chrono::milliseconds;

// Facts as a setup might leave them: query syntax, blanks, "+", non-ASCII.
const std::map<std::string, std::string> kFacts = {
    {"AID", "a&b=c"},
    {"PID", "p+q r"},
    {"Installer", "Setup Caf\xC3\xA9 \xE6\x97\xA5"},
    {"ProductVersion", "5_1_0_12"},
    {"InstallerExe", "C:\\Temp\\My Setup.exe"},
    {"RefApp", "100%"},
    {"RefInst", "?x#y"},
    {"InstallDate", "2024-03-05 10:11:12"},
    {"ItemCount", "  7  "},
    {"Trigger", " Error "},
    {"Wait", "0"},
};

class TrackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run().Profile.ProductKeyName = "Orlent";
    run().Profile.ProfileAppCode = "OL";
  }

  void StoreFacts(const std::map<std::string, std::string>& facts) {
    std::vector<os::RegistryChange> changes;
    for (const auto& [name, data] : facts) {
      changes.push_back({"HKEY_LOCAL_MACHINE", "Software\\Orlent", name, data});
    }
    ASSERT_EQ(test_.store().Apply(changes), os::StoreStatus::kOk);
  }

  pavane::Run& run() { return test_.run; }

  pavane::testing::TestRun test_;
};

// Every key is present, in its place, and each stored value is encoded on its
// own: the installer's file-name part only, the version with dots, the count
// trimmed; the registry's "Error" counts as empty.
TEST_F(TrackingTest, EventAndPageAddressesCarryEveryKeyInOrderWithTheStoredValuesEncoded) {
  run().Profile.TrackingUrl = "http://s/ol/tr.asp?";
  StoreFacts(kFacts);
  EXPECT_EQ(BuildEventUrl(run(), "SW_Tandem_Accepted", "from here&there"),
            "http://s/ol/tr.asp?"
            "source=Installer&application=OL&action=SW_Tandem_Accepted&aid=a%26b%3Dc&pid=p%2Bq%20r"
            "&installer=Setup%20Caf%C3%A9%20%E6%97%A5&origin=from%20here%26there"
            "&installerexename=My%20Setup.exe&referrerapplication=100%25&referrerinstaller=%3Fx%23y"
            "&applicationversion=5.1.0.12&itemcount=7&installdate=2024-03-05%2010%3A11%3A12"
            "&trigger=&wait=0&pc=QARVELM5039");
  // Continuing a query is checked by the whole-run sign-up tests.
  EXPECT_EQ(DecorateUrl(run(), "http://s/ol/default.asp"),
            "http://s/ol/default.asp?source=Installer&application=OL&aid=a%26b%3Dc&pid=p%2Bq%20r"
            "&installer=Setup%20Caf%C3%A9%20%E6%97%A5&itemcount=7&applicationversion=" +
                std::string(build::kVersionText) +
                "&installerexename=My%20Setup.exe&referrerapplication=100%25"
                "&referrerinstaller=%3Fx%23y&installdate=2024-03-05%2010%3A11%3A12&trigger=&wait=0"
                "&pc=QARVELM5039")
      << "a page gets this program's version";
}

// The maker reads a run's events in the order they reach the server. More
// reports than the end of the run could send one short grace apart share its
// 2 s instead, and none is lost. Handing a report over never waits for the
// server's three seconds.
TEST_F(TrackingTest, ASlowServerHoldsUpNeitherTheScreensNorTheEndOfTheRunAndGetsEveryReport) {
  const DevserverProcess server(PAVANE_DEVSERVER_PROGRAM, {"--delay-ms", "3000"});
  ASSERT_TRUE(server.started());
  run().Profile.TrackingUrl = server.BaseUrl() + "/ol/tr.asp?";
  std::vector<std::string> made;
  Clock::duration slowestReport{};
  for (int i = 0; i < 24; ++i) {
    made.push_back("Slow_" + std::to_string(i));
    const auto start = Clock::now();
    ReportEvent(run(), made.back(), "");
    slowestReport = std::max(slowestReport, Clock::now() - start);
  }
  EXPECT_LT(slowestReport, milliseconds(500));

  const auto start = Clock::now();
  EXPECT_FALSE(FinishPendingRequests(run(), milliseconds(2000)));
  const double waited = SecondsSince(start);
  EXPECT_GE(waited, 1.9);
  EXPECT_LT(waited, 2.8);
  std::vector<std::string> arrived;
  for (const auto& request : pavane::testing::ParseLoggedRequests(
           server.WaitForLogLines(made.size(), milliseconds(1000)))) {
    arrived.push_back(request.Value("action"));
  }
  EXPECT_EQ(arrived, made) << "every request reached the server, in order";
}

}  // namespace
}  // namespace pavane::reporting
