// The reference server as the tests and the run script start it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/curl/curl_http_client.h"
#include "support/child_process.h"
#include "support/devserver_log.h"
#include "support/devserver_process.h"

namespace pavane::testing {
namespace {

TEST(PavaneDevserver, ATakenPortIsRefusedNotShared) {
  DevserverProcess first(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(first.started());
  // A second server on the same port would take some of the requests
  // meant for the first, and its log would miss them.
  const auto second =
      RunProgram(PAVANE_DEVSERVER_PROGRAM, {"--port", std::to_string(first.port())});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("cannot listen on 127.0.0.1:" + std::to_string(first.port())),
            std::string::npos)
      << second.err;
}

TEST(PavaneDevserver, StopsOnASignalThatComesRightAfterItsAnnouncement) {
  // Each server is stopped the moment it has said its port; the destructor
  // fails the test when one does not end within its limit.
  for (int i = 0; i < 20; ++i) DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
}

std::string Get(const std::string& url) {
  os::CurlHttpClient client;
  const auto answer = client.Get(url, {});
  EXPECT_TRUE(answer.completed) << url << ": " << answer.error;
  return answer.body;
}

std::string Event(const std::string& action, const std::string& aid, const std::string& more = "") {
  return "/sw/tr.asp?source=Installer&application=SW&action=" + action + "&aid=" + aid +
         "&installdate=2026-12-01" + more + "&pc=QARVELM5039";
}

// Position of `text` in `page`, npos when it is missing.
std::size_t At(const std::string& page, const std::string& text) {
  return page.find(text);
}

TEST(PavaneDevserver, EventPageGroupsRunsNewestFirstWithASummaryPerScreen) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  const std::string base = server.BaseUrl();
  // Five facts of 255 characters, as a setup may leave them, percent-encoded.
  std::string longFacts;
  for (const char* key :
       {"pid", "installer", "referrerapplication", "referrerinstaller", "trigger"})
    longFacts += std::string("&") + key + "=" + std::string(255 * 3, 'E') + "%C3%A9";
  Get(base + Event("Newsletter_Displayed", "A1"));
  Get(base + Event("Newsletter_Declined", "A1"));
  Get(base + "/sw/validate.asp?email=a%40b.example&language=en");
  Get(base + Event("PT_Pavane_Displayed", "B2", "&wait=%3Cscript%3Ex%3C%2Fscript%3E%FF"));
  Get(base + Event("PT_Pavane_Accepted", "B2", longFacts));

  const auto logged = ParseLoggedRequests(server.WaitForLogLines(5, std::chrono::seconds(2)));
  ASSERT_EQ(logged.size(), 5u);
  EXPECT_EQ(logged[4].Value("trigger"), std::string(255 * 3, 'E') + "\xc3\xa9");

  const std::string page = Get(base + "/");
  // The run heard from last comes first, its newest event at its top.
  const std::size_t runB = At(page, "data-aid=\"B2\"");
  const std::size_t runA = At(page, "data-aid=\"A1\"");
  const std::size_t others = At(page, "Requests without installation facts");
  ASSERT_NE(runB, std::string::npos);
  ASSERT_NE(runA, std::string::npos);
  ASSERT_NE(others, std::string::npos);
  EXPECT_LT(runB, others);
  EXPECT_LT(others, runA);
  EXPECT_LT(At(page, "data-action=\"PT_Pavane_Accepted\""),
            At(page, "data-action=\"PT_Pavane_Displayed\""));
  EXPECT_LT(At(page, "data-action=\"Newsletter_Declined\""),
            At(page, "data-action=\"Newsletter_Displayed\""));

  for (const char* row :
       {"data-screen=\"PT_Pavane\" data-displayed=\"1\" data-accepted=\"1\" data-declined=\"0\"",
        "data-screen=\"Newsletter\" data-displayed=\"1\" data-accepted=\"0\" "
        "data-declined=\"1\""}) {
    EXPECT_NE(At(page, row), std::string::npos) << row;
  }
  // What a client sent is shown as text, in valid UTF-8; the page's own
  // request is logged but is no run's.
  EXPECT_NE(At(page, "&lt;script&gt;x&lt;/script&gt;\xef\xbf\xbd"), std::string::npos);
  EXPECT_EQ(At(page, "<script>"), std::string::npos);
  EXPECT_NE(At(page, "http-equiv=\"refresh\" content=\"2\""), std::string::npos);
  EXPECT_EQ(server.WaitForLogLines(6, std::chrono::seconds(2)).size(), 6u);
  EXPECT_EQ(At(page, "<td>GET /</td>"), std::string::npos);
}

}  // namespace
}  // namespace pavane::testing
