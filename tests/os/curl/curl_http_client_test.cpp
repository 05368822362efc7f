// The client against the development server, and its time limits against
// name lookups that never answer.
//
// The lookups are held up for real: this test program defines getaddrinfo, and
// its definition comes before the C library's for every caller in the
// program, curl's resolver threads included. Names under ".stuck.test" never
// answer; every other name is looked up as usual.
#include "os/curl/curl_http_client.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <string_view>
#include <thread>

#include "support/devserver_process.h"
#include "support/elapsed.h"

// A stuck lookup is held 30 s, longer than any test here waits, so that a
// client that waits for it fails its test instead of hanging it; the threads
// still held end with the test program.
extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result) {
  if (std::string_view(node != nullptr ? node : "").ends_with(".stuck.test")) {
    std::this_thread::sleep_for(std::chrono::seconds(30));
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

// The validation service's answer for each kind of address is checked by the
// whole-run newsletter tests; here what the client itself must get right: an
// HTTP error is still an answer, the body stops at its cap, the declared
// charset is decoded, and a request that cannot be made fails in time: a
// refused connection at once (port 1 on loopback: nothing listens there on a
// test machine), a stuck lookup at its time-out, without taking the worker
// with it. The end of a run then waits 2 s for a stuck report, and the client
// goes. Meanwhile a report stuck in its lookup holds up no Get.
TEST(CurlHttpClient, GetsAnswerOrFailInTimeAndTheEndWaitHolds) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  Clock::time_point end;
  {
    CurlHttpClient client;
    client.StartGet("http://reports.stuck.test/ol/tr.asp");
    const struct {
      std::string url;
      std::size_t cap;  // 0: the client's own
      int timeoutMs;    // 0: the client's own
      int status;       // 0: no answer
      std::size_t size;
      bool truncated;
    } cases[] = {
        {"http://check.stuck.test/validate.asp", 0, 400, 0, 0, false},
        {server.BaseUrl() + "/nowhere", 0, 0, 404, 9, false},
        {server.BaseUrl() + "/qa/bytes.asp?bytes=3000000", 0, 0, 200, 1024 * 1024, true},
        {server.BaseUrl() + "/qa/bytes.asp?bytes=100", 100, 0, 200, 100, false},
        {server.BaseUrl() + "/qa/bytes.asp?bytes=101", 100, 0, 200, 100, true},
        {"http://127.0.0.1:1/validate.asp", 0, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.url);
      SyncRequestOptions options;
      if (c.cap != 0) options.maxBodyBytes = c.cap;
      if (c.timeoutMs != 0) options.timeout = milliseconds(c.timeoutMs);
      const auto start = Clock::now();
      const HttpResponse answer = client.Get(c.url, options);
      if (c.status == 0) {
        EXPECT_LT(SecondsSince(start), c.timeoutMs != 0 ? 1.0 : 2.0) << "no answer, in time";
      }
      EXPECT_EQ(answer.completed, c.status != 0) << answer.error;
      EXPECT_EQ(answer.error.empty(), c.status != 0);
      EXPECT_EQ(answer.status, c.status);
      EXPECT_EQ(answer.body.size(), c.size);
      EXPECT_EQ(answer.truncated, c.truncated);
    }
    const HttpResponse latin1 =
        client.Get(server.BaseUrl() + "/ol/validate.asp?email=jo@latin1.example&language=fr", {});
    EXPECT_NE(latin1.body.find("ERR_DESC:Adresse refus\u00e9e\""), std::string::npos)
        << latin1.body;
    end = Clock::now();
    EXPECT_FALSE(client.WaitForAll(milliseconds(2000)));
  }
  EXPECT_LT(SecondsSince(end), 2.6);
  CurlHttpClient client;
  client.StartGet("http://127.0.0.1:1/tr.asp");
  EXPECT_TRUE(client.WaitForAll(milliseconds(5000))) << "a request that fails still ends";
  EXPECT_EQ(client.InFlight(), 0u);
}

TEST(CurlHttpClient, AnswerTextDecodesTheDeclaredCharsetAndNeverPassesRawBytes) {
  const struct {
    const char* body;
    const char* contentType;
    const char* text;
  } cases[] = {
      {"caf\xe9", "text/html;Charset=\"ISO-8859-1\" ; q=1", "caf\u00e9"},
      {"\x93x\x94", "text/plain; charset=windows-1252", "\u201cx\u201d"},
      {"\x93\xfa\x96\x7b", "text/html; charset=Shift_JIS", "\u65e5\u672c"},
      {"caf\xc3\xa9", "text/html", "caf\u00e9"},
      {"caf\xe9!", "text/html; charset=utf-8", "caf\ufffd!"},
      {"caf\xe9", "text/html; charset=no-such-charset", "caf\ufffd"},
      // iconv would read the suffix as an instruction; the name is not taken.
      {"caf\xe9", "text/html; charset=latin1//TRANSLIT", "caf\ufffd"},
      {"caf\xe9", "", "caf\ufffd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnswerText(c.body, c.contentType), c.text) << c.contentType;
  }
}

// A Get that waits through the screens' event loop is checked by the
// whole-run newsletter tests (the validation request) and the headless loop's
// own tests (no spinning while it waits). A resolver that holds up the very
// thread that asks (as one without its own threads does) takes the worker
// with it: that the limits hold all the same is the whole-run test of a
// broken validation service.

}  // namespace
}  // namespace pavane::os
