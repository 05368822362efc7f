#include "os/curl/curl_http_client.h"

#include <gtest/gtest.h>
#include <time.h>

#include <condition_variable>
#include <mutex>

#include "support/devserver_log.h"
#include "support/devserver_process.h"

namespace pavane::os {
namespace {

using pavane::testing::DevserverProcess;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Work done on this thread, which a busy machine's scheduling does not inflate.
std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Stands in for the screens' event loop: it sleeps until Notify, and counts
// how often it had to look again.
class CountingWaitHook : public WaitHook {
 public:
  void WaitUntil(const std::function<bool()>& ready) override {
    std::unique_lock lock(mutex_);
    while (!ready()) {
      ++waits;
      notified_.wait(lock, [this] { return pending_; });
      pending_ = false;
    }
  }
  void Notify() override {
    {
      std::lock_guard lock(mutex_);
      pending_ = true;
      ++notifies;
    }
    notified_.notify_all();
  }
  int waits = 0;
  int notifies = 0;

 private:
  std::mutex mutex_;
  std::condition_variable notified_;
  bool pending_ = false;
};

TEST(CurlHttpClient, GetReadsTheValidationAnswerForEachKindOfAddress) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  CurlHttpClient client;
  const auto validate = [&](const std::string& email) {
    return client.Get(server.BaseUrl() + "/ol/validate.asp?email=" + email + "&language=en", {});
  };

  const HttpResponse valid = validate("jo@mail.example");
  EXPECT_TRUE(valid.completed) << valid.error;
  EXPECT_EQ(valid.status, 200);
  EXPECT_FALSE(valid.truncated);
  EXPECT_NE(valid.body.find("<!-- EMAIL=\"ERR_CODE:0000\"=EMAIL -->"), std::string::npos)
      << valid.body;
  EXPECT_NE(validate("jo@unverified.example").body.find("<!-- EMAIL=\"ERR_CODE:9999\"=EMAIL -->"),
            std::string::npos);
  EXPECT_NE(validate("jo@invalid.example")
                .body.find("<!-- EMAIL=\"ERR_CODE:0101|ERR_DESC:The address does not exist."
                           "\"=EMAIL -->"),
            std::string::npos);
  EXPECT_NE(validate("no-at-sign").body.find("ERR_CODE:0101|"), std::string::npos);
  const HttpResponse broken = validate("jo@nomarker.example");
  EXPECT_TRUE(broken.completed);
  EXPECT_EQ(broken.body.find("<!-- EMAIL="), std::string::npos);

  const HttpResponse missing = client.Get(server.BaseUrl() + "/nowhere", {});
  EXPECT_TRUE(missing.completed) << "an HTTP error is still an answer";
  EXPECT_EQ(missing.status, 404);

  const auto lines = server.WaitForLogLines(6, milliseconds(2000));
  ASSERT_EQ(lines.size(), 6u) << "every request is logged, the 404 too";
  const auto first = pavane::testing::ParseLoggedRequest(lines[0]);
  EXPECT_EQ(first.path, "/ol/validate.asp");
  EXPECT_EQ(first.Keys(), (std::vector<std::string>{"email", "language"}));
  EXPECT_EQ(first.Value("email"), "jo@mail.example");
}

TEST(CurlHttpClient, GetThroughAWaitHookIsWokenByTheWorker) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM, {"--delay-ms", "100"});
  ASSERT_TRUE(server.started());
  CurlHttpClient client;
  CountingWaitHook hook;
  SyncRequestOptions options;
  options.wait = &hook;

  const HttpResponse answer =
      client.Get(server.BaseUrl() + "/ol/validate.asp?email=a@b.c", options);
  EXPECT_TRUE(answer.completed) << answer.error;
  EXPECT_NE(answer.body.find("ERR_CODE:0000"), std::string::npos);
  EXPECT_EQ(hook.notifies, 1);
  EXPECT_GE(hook.waits, 1) << "the answer took 100 ms, so the hook had to sleep";
  EXPECT_LE(hook.waits, 2) << "woken by Notify, not by polling";
}

TEST(CurlHttpClient, GetStopsReadingAtTheBodyCap) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  CurlHttpClient client;

  const HttpResponse huge = client.Get(server.BaseUrl() + "/qa/bytes.asp?bytes=3000000", {});
  EXPECT_TRUE(huge.completed) << huge.error;
  EXPECT_TRUE(huge.truncated);
  EXPECT_EQ(huge.body.size(), 1024u * 1024u);

  SyncRequestOptions small;
  small.maxBodyBytes = 100;
  const HttpResponse exact = client.Get(server.BaseUrl() + "/qa/bytes.asp?bytes=100", small);
  EXPECT_FALSE(exact.truncated) << "a body of exactly the cap is whole";
  EXPECT_EQ(exact.body.size(), 100u);
  const HttpResponse over = client.Get(server.BaseUrl() + "/qa/bytes.asp?bytes=101", small);
  EXPECT_TRUE(over.truncated);
  EXPECT_EQ(over.body.size(), 100u);
}

TEST(CurlHttpClient, GetGivesUpAtItsTimeOutAndOnARefusedConnection) {
  DevserverProcess slow(PAVANE_DEVSERVER_PROGRAM, {"--delay-ms", "3000"});
  ASSERT_TRUE(slow.started());
  CurlHttpClient client;
  SyncRequestOptions options;
  options.timeout = milliseconds(300);

  auto start = Clock::now();
  const HttpResponse late = client.Get(slow.BaseUrl() + "/ol/validate.asp?email=a@b.c", options);
  EXPECT_LT(SecondsSince(start), 1.5);
  EXPECT_FALSE(late.completed);
  EXPECT_FALSE(late.error.empty());

  // Port 1 on loopback: nothing listens there on a test machine.
  start = Clock::now();
  const HttpResponse refused = client.Get("http://127.0.0.1:1/validate.asp", {});
  EXPECT_LT(SecondsSince(start), 2.0);
  EXPECT_FALSE(refused.completed);
  EXPECT_FALSE(refused.error.empty());
}

// That many requests in a burst all arrive is covered by the reporting
// tests; here only that a request which fails still ends.
TEST(CurlHttpClient, WaitForAllSeesFailedRequestsEnd) {
  CurlHttpClient client;
  EXPECT_TRUE(client.WaitForAll(milliseconds(0))) << "nothing started, nothing to wait for";
  client.StartGet("http://127.0.0.1:1/tr.asp");
  client.StartGet("http://127.0.0.1:1/tr.asp");
  EXPECT_TRUE(client.WaitForAll(milliseconds(5000)));
  EXPECT_EQ(client.InFlight(), 0u);
}

TEST(CurlHttpClient, SlowRequestsDoNotHoldUpTheCallerNorTheDestructor) {
  DevserverProcess slow(PAVANE_DEVSERVER_PROGRAM, {"--delay-ms", "3000"});
  ASSERT_TRUE(slow.started());
  Clock::time_point destroyed;
  {
    CurlHttpClient client;
    const auto workBefore = ThreadCpuTime();
    for (int i = 0; i < 5; ++i) client.StartGet(slow.BaseUrl() + "/ol/tr.asp");
    EXPECT_LT(ThreadCpuTime() - workBefore, milliseconds(5))
        << "StartGet only hands the address over";
    EXPECT_EQ(client.InFlight(), 5u);

    const auto start = Clock::now();
    EXPECT_FALSE(client.WaitForAll(milliseconds(300)));
    const double waited = SecondsSince(start);
    EXPECT_GE(waited, 0.29);
    EXPECT_LT(waited, 1.0);
    EXPECT_EQ(client.InFlight(), 5u);
    destroyed = Clock::now();
  }
  EXPECT_LT(SecondsSince(destroyed), 1.0) << "requests still running are abandoned";
}

}  // namespace
}  // namespace pavane::os
