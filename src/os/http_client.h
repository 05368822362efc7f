// HTTP GET requests to the maker's server.
//
// Two kinds: fire-and-forget requests whose answer nobody reads (tracking,
// sign-up), which reach the server in the order they were made and each run
// to completion or time-out; and one synchronous request (address validation)
// that waits for its answer while the caller's event loop keeps running
// through a WaitHook.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace pavane::os {

// Keeps the caller's event loop alive during a blocking call. `WaitUntil`
// returns once `ready()` is true; `Notify` may be called from any thread and
// makes a sleeping `WaitUntil` look at `ready()` again.
class WaitHook {
 public:
  virtual ~WaitHook() = default;
  virtual void WaitUntil(const std::function<bool()>& ready) = 0;
  virtual void Notify() = 0;
};

struct HttpResponse {
  bool completed = false;  // an HTTP answer arrived (any status)
  long status = 0;
  std::string body;        // as UTF-8 text; at most the requested cap was read
  bool truncated = false;  // the body was longer than the cap
  std::string error;       // why it did not complete
};

struct SyncRequestOptions {
  std::chrono::milliseconds timeout{10000};
  std::size_t maxBodyBytes = 1024 * 1024;
  WaitHook* wait = nullptr;  // null: block the calling thread
  // Asked whenever the wait wakes (with a hook); true gives the request up at
  // once, as unanswered.
  std::function<bool()> abandon;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;

  // Hands a GET over and returns at once. It goes out after the ones handed
  // over before it, so that the server sees them in that order; it is never
  // cancelled by a later one and ends on completion or on its own time-out.
  virtual void StartGet(const std::string& url) = 0;
  // Requests handed over and not yet ended, those still waiting their turn
  // included.
  virtual std::size_t InFlight() const = 0;
  // Waits until every request handed over has ended or `limit` has passed,
  // and sends those still waiting their turn within it. Returns true when
  // none is left.
  virtual bool WaitForAll(std::chrono::milliseconds limit) = 0;

  virtual HttpResponse Get(const std::string& url, const SyncRequestOptions& options) = 0;
};

}  // namespace pavane::os
