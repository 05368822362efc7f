// The reference server's event page in the browser engine the program uses:
// what a QA tester watching a run sees, and that it follows the run by
// itself.
#include <string>

#include "gtk_fixture.h"
#include "os/curl/curl_http_client.h"
#include "support/devserver_process.h"

namespace pavane::os::gtk::testing {
namespace {

using pavane::testing::DevserverProcess;

void Report(const DevserverProcess& server, const std::string& action) {
  os::CurlHttpClient client;
  const auto answer =
      client.Get(server.BaseUrl() + "/ol/tr.asp?source=Installer&application=OL&action=" + action +
                     "&aid=QA7&installdate=2026-12-07&pc=QARVELM5039",
                 {});
  ASSERT_TRUE(answer.completed) << answer.error;
}

using EventPageTest = GtkTest;

TEST_F(EventPageTest, ShowsTheRunAndFollowsItWhileItGoesOn) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  Report(server, "Newsletter_Displayed");

  events.mayLoad = server.BaseUrl();
  ShowScreen();
  GtkBrowser* browser = window->FindBrowser("WebBrowser1");
  browser->Navigate(server.BaseUrl() + "/");
  ASSERT_TRUE(WaitFor([&] { return events.Count("complete WebBrowser1") >= 1; }));

  const std::string summary =
      "(function () { var r = document.querySelector('section.run[data-aid=\"QA7\"] "
      "tr[data-screen=\"Newsletter\"]'); if (!r) return 'none'; "
      "return Array.from(r.cells).map(function (c) { return c.textContent; }).join('|') + "
      "(r.offsetHeight > 0 ? ' shown' : ' hidden'); })()";
  EXPECT_EQ(browser->EvaluateScript(summary), "Newsletter|1|0|0 shown");

  // The user decides; the page, reloading itself, shows it without a hand.
  Report(server, "Newsletter_Accepted");
  // A reload already under way may have missed the report; the next has it.
  std::string seen;
  for (int reloads = 0; reloads < 3 && seen != "Newsletter|1|1|0 shown"; ++reloads) {
    const int before = events.Count("complete WebBrowser1");
    ASSERT_TRUE(WaitFor([&] { return events.Count("complete WebBrowser1") > before; }, 5s))
        << "the page did not reload itself";
    seen = browser->EvaluateScript(summary).value_or("no answer");
  }
  EXPECT_EQ(seen, "Newsletter|1|1|0 shown");
}

}  // namespace
}  // namespace pavane::os::gtk::testing
