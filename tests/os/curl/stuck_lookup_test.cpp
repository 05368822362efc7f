// The client's time limits against name lookups that never answer.
//
// The lookups are held up for real: this test program defines getaddrinfo, and
// its definition comes before the C library's for every caller in the
// program, curl's resolver threads included. Names under ".stuck.test" are
// held until the test that asked for them ends; every other name is looked up
// as usual.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <condition_variable>
#include <mutex>
#include <string_view>

#include "os/curl/curl_http_client.h"
#include "support/devserver_process.h"
#include "support/elapsed.h"

namespace {

struct HeldLookups {
  std::mutex mutex;
  std::condition_variable released;
  unsigned generation = 0;  // raised each time a test lets its lookups go
};

// Never destroyed: lookup threads still held may outlive the test.
HeldLookups& Held() {
  static auto* held = new HeldLookups;
  return *held;
}

// At most 30 s, so that a client that waits for the lookup fails its test
// instead of hanging it.
void WaitLikeAStuckResolver() {
  HeldLookups& held = Held();
  std::unique_lock lock(held.mutex);
  const unsigned mine = held.generation;
  held.released.wait_for(lock, std::chrono::seconds(30),
                         [&held, mine] { return held.generation != mine; });
}

}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result) {
  if (std::string_view(node != nullptr ? node : "").ends_with(".stuck.test")) {
    WaitLikeAStuckResolver();
    return EAI_AGAIN;
  }
  using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
  static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
  return real(node, service, hints, result);
}

namespace pavane::os {
namespace {

using namespace pavane::testing;
using std::chrono::milliseconds;

// Declared before the client, so the lookups are let go after it is gone.
struct LetGoAtTheEnd {
  ~LetGoAtTheEnd() {
    HeldLookups& held = Held();
    {
      std::lock_guard lock(held.mutex);
      ++held.generation;
    }
    held.released.notify_all();
  }
};

TEST(CurlHttpClientStuckLookup, TheValidationWaitAndTheEndWaitHoldAndOtherRequestsGoOn) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  LetGoAtTheEnd letGo;
  Clock::time_point end;
  {
    CurlHttpClient client;
    client.StartGet("http://reports.stuck.test/ol/tr.asp");

    SyncRequestOptions validation;
    validation.timeout = milliseconds(400);
    auto start = Clock::now();
    const HttpResponse stuck = client.Get("http://check.stuck.test/validate.asp", validation);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_FALSE(stuck.completed);

    // The lookup that timed out did not take the worker with it.
    validation.timeout = milliseconds(3000);
    const HttpResponse next =
        client.Get(server.BaseUrl() + "/ol/validate.asp?email=jo@mail.example", validation);
    EXPECT_TRUE(next.completed) << next.error;

    // The end of a run: the reports get their 2 s, then the client goes.
    end = Clock::now();
    EXPECT_FALSE(client.WaitForAll(milliseconds(2000)));
  }
  EXPECT_LT(SecondsSince(end), 2.6);
}

// A resolver that holds up the very thread that asks (as one without its own
// threads does) takes the worker with it: that the limits hold all the same
// is the whole-run test of a broken validation service.

}  // namespace
}  // namespace pavane::os
