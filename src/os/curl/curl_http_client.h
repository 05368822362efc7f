// HTTP on libcurl: the requests to the maker's server.
//
// One worker thread drives a curl multi handle and sleeps in curl_multi_poll
// until a socket, a curl timer or a new request (curl_multi_wakeup) needs it,
// so a screen that reports an event only hands over the address and goes on.
//
//  - StartGet: fire-and-forget; the answer is dropped as it arrives. No
//    redirect is followed: nobody reads the answer, and following one would
//    only send the installation facts somewhere we did not choose.
//    The maker reads a run's events in the order they arrive, and requests
//    side by side arrive in any order; so these go out one at a time: the
//    next starts once the one before has been answered (or has failed), or
//    has been sent whole a short grace ago, so that a slow or silent server
//    holds them up only briefly. While WaitForAll waits, those still waiting
//    share its time, so that all are sent before it is over. One that cannot
//    be sent at all (a name lookup or connection that hangs) holds the rest
//    until its own time-outs: they would meet the same server.
//  - Get: the synchronous validation request. It runs on the worker too while
//    the caller waits through its WaitHook (or on a condition variable).
//    Up to 3 redirects are followed (http and https only), the body is capped
//    and the transfer aborted once the cap is passed. The body comes back as
//    UTF-8 text, decoded by the charset its Content-Type declares.
//  - Requests never cancel each other; each ends on completion or on its own
//    time-out, counted from when its turn came. The destructor abandons
//    whatever is still running, so a run that wants its reports out calls
//    WaitForAll first.
//
// Every limit holds whatever the name lookup does. curl's threaded resolver
// leaves a lookup that never answers to its own thread; and should the worker
// itself be held up inside curl (a resolver that blocks the thread that asks),
// a Get is answered by its deadline, shortly after its time-out, and the
// destructor leaves the worker behind after a short wait instead of joining it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "os/http_client.h"

namespace pavane::os {

struct CurlHttpClientOptions {
  std::chrono::milliseconds connectTimeout{10000};
  // Whole-transfer limit of a fire-and-forget request.
  std::chrono::milliseconds requestTimeout{30000};
  std::string userAgent;  // empty: "Pavane/<major>.<minor>.<revision>"
  // Called on the worker thread before each name lookup; for tests that hold
  // the lookup up.
  std::function<void()> beforeNameLookup;
};

// `body` as UTF-8 text, decoded from the charset that `contentType` declares.
// Without one, with one iconv does not know or with bytes that are not in it,
// the body is read as UTF-8; a byte that is not valid there becomes U+FFFD.
std::string AnswerText(std::string_view body, std::string_view contentType);

class CurlHttpClient final : public HttpClient {
 public:
  CurlHttpClient();
  explicit CurlHttpClient(CurlHttpClientOptions options);
  ~CurlHttpClient() override;
  CurlHttpClient(const CurlHttpClient&) = delete;
  CurlHttpClient& operator=(const CurlHttpClient&) = delete;

  void StartGet(const std::string& url) override;
  // Counts StartGet requests only; a Get is waited for by its caller.
  std::size_t InFlight() const override;
  bool WaitForAll(std::chrono::milliseconds limit) override;
  HttpResponse Get(const std::string& url, const SyncRequestOptions& options) override;

 private:
  class Worker;
  std::shared_ptr<Worker> worker_;
};

}  // namespace pavane::os
