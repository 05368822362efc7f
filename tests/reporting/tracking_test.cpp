#include "reporting/tracking.h"

#include <gtest/gtest.h>
#include <time.h>

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
using pavane::testing::LoggedRequest;
using pavane::testing::SecondsSince;
using std::chrono::milliseconds;

std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

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
  void StartServer(std::vector<std::string> args = {}) {
    server_ = std::make_unique<DevserverProcess>(PAVANE_DEVSERVER_PROGRAM, std::move(args));
    ASSERT_TRUE(server_->started());
    run().Profile.ServerBaseUrl = server_->BaseUrl() + "/ol";
    run().Profile.TrackingUrl = server_->BaseUrl() + "/ol/tr.asp?";
  }

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

  std::vector<LoggedRequest> Arrived(std::size_t count) {
    EXPECT_TRUE(FinishPendingRequests(run(), milliseconds(10000)));
    return pavane::testing::ParseLoggedRequests(
        server_->WaitForLogLines(count, milliseconds(2000)));
  }

  static std::vector<std::string> Actions(const std::vector<LoggedRequest>& requests) {
    std::vector<std::string> actions;
    for (const auto& request : requests) actions.push_back(request.Value("action"));
    return actions;
  }

  pavane::Run& run() { return test_.run; }

  pavane::testing::TestRun test_;
  std::unique_ptr<DevserverProcess> server_;
};

// The maker reads a run's events in the order they reach the server.
TEST_F(TrackingTest, EventsArriveInTheOrderMadeWithEveryKeyAndTheStoredValuesEncoded) {
  StartServer();
  StoreFacts(kFacts);
  std::vector<std::string> made = {"SW_Tandem_Accepted"};
  ReportEvent(run(), made[0], "from here&there");
  for (int i = 0; i < 50; ++i) {
    made.push_back("Event_" + std::to_string(i));
    ReportEvent(run(), made.back(), "");
  }
  const auto requests = Arrived(made.size());
  EXPECT_EQ(Actions(requests), made);
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].path, "/ol/tr.asp");
  // The installer's file-name part only, the version with dots, the count
  // trimmed; the registry's "Error" counts as empty.
  EXPECT_EQ(requests[0].rawQuery,
            "source=Installer&application=OL&action=SW_Tandem_Accepted&aid=a%26b%3Dc&pid=p%2Bq%20r"
            "&installer=Setup%20Caf%C3%A9%20%E6%97%A5&origin=from%20here%26there"
            "&installerexename=My%20Setup.exe&referrerapplication=100%25&referrerinstaller=%3Fx%23y"
            "&applicationversion=5.1.0.12&itemcount=7&installdate=2024-03-05%2010%3A11%3A12"
            "&trigger=&wait=0&pc=QARVELM5039");
}

TEST_F(TrackingTest, MissingFactsLeaveEveryKeyPresentAndEmptyAndFactsAreReadAfresh) {
  run().Profile.TrackingUrl = "http://127.0.0.1:9/ol/tr.asp?";
  EXPECT_EQ(BuildEventUrl(run(), "Newsletter_Displayed", ""),
            "http://127.0.0.1:9/ol/tr.asp?source=Installer&application=OL"
            "&action=Newsletter_Displayed&aid=&pid=&installer=&origin=&installerexename="
            "&referrerapplication=&referrerinstaller=&applicationversion=&itemcount="
            "&installdate=&trigger=&wait=&pc=QARVELM5039");
  StoreFacts({{"AID", "later"}});
  EXPECT_NE(BuildEventUrl(run(), "A", "").find("&aid=later&"), std::string::npos)
      << "nothing cached between requests";
}

// Continuing a query is checked by the whole-run sign-up tests.
TEST_F(TrackingTest, DecorateUrlStartsTheQueryAndCarriesThisProgramsVersion) {
  StoreFacts({{"AID", "a&b=c"}, {"ProductVersion", "5_1_0_12"}});
  EXPECT_EQ(DecorateUrl(run(), "http://s/ol/default.asp"),
            "http://s/ol/default.asp?source=Installer&application=OL&aid=a%26b%3Dc&pid=&installer="
            "&itemcount=&applicationversion=" +
                std::string(build::kVersionText) +
                "&installerexename=&referrerapplication=&referrerinstaller=&installdate=&trigger="
                "&wait=&pc=QARVELM5039");
}

// More reports than the end of the run could send one short grace apart:
// they share its 2 s instead, and none is lost.
TEST_F(TrackingTest, ASlowServerHoldsUpNeitherTheScreensNorTheEndOfTheRunAndGetsEveryReport) {
  StartServer({"--delay-ms", "3000"});
  StoreFacts(kFacts);
  std::vector<std::string> made;
  std::vector<std::string> urls;
  for (int i = 0; i < 3; ++i) {
    made.push_back("Slow_" + std::to_string(i));
    urls.push_back(BuildEventUrl(run(), made.back(), ""));
  }
  // Starting a request is only a hand-over, measured as work done on this
  // thread so that a busy machine's scheduling does not count. ReportEvent
  // adds the registry reads, slow under the sanitizers, but it never waits
  // for the server's three seconds.
  Clock::duration slowestReport{};
  const auto workBefore = ThreadCpuTime();
  for (const std::string& url : urls) HttpGet(run(), url);
  EXPECT_LT(ThreadCpuTime() - workBefore, milliseconds(5));
  for (int i = 3; i < 24; ++i) {
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
  EXPECT_EQ(Actions(pavane::testing::ParseLoggedRequests(
                server_->WaitForLogLines(made.size(), milliseconds(1000)))),
            made)
      << "every request reached the server, in order";
}

}  // namespace
}  // namespace pavane::reporting
