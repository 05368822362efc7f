// A whole run of the program for a test: an installation in a temporary
// folder (support/installation.h) and the headless window system with a
// scripted user.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "os/curl/curl_http_client.h"
#include "os/headless/headless_window_system.h"
#include "support/devserver_log.h"
#include "support/installation.h"

namespace pavane::flows {

// The real HTTP client, with a note of every request in the order the
// program started them.
class RecordingHttpClient : public os::HttpClient {
 public:
  explicit RecordingHttpClient(os::CurlHttpClientOptions options = {})
      : client_(std::move(options)) {}
  void StartGet(const std::string& url) override {
    {
      std::lock_guard lock(mutex_);
      started_.push_back(url);
    }
    client_.StartGet(url);
  }
  std::size_t InFlight() const override { return client_.InFlight(); }
  bool WaitForAll(std::chrono::milliseconds limit) override { return client_.WaitForAll(limit); }
  os::HttpResponse Get(const std::string& url, const os::SyncRequestOptions& options) override {
    return client_.Get(url, options);
  }
  std::vector<std::string> Started() const {
    std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  os::CurlHttpClient client_;
  mutable std::mutex mutex_;
  std::vector<std::string> started_;
};

struct RunResult {
  int status = -1;
  std::string transcript;
  std::string scriptError;
  std::vector<std::string> requests;  // as the program started them

  bool Has(const std::string& text) const { return transcript.find(text) != std::string::npos; }
  // The tracking actions, in the order they were sent.
  std::vector<std::string> Actions() const;
};

class FlowTest : public ::testing::Test {
 protected:
  FlowTest();
  ~FlowTest() override;

  // Runs the program with these switches and the scripted user's actions.
  RunResult Run(const std::string& switches, const std::string& script);

  std::string Value(const std::string& key, const std::string& name) {
    return install_.Value(key, name);
  }
  // What reached the reference server, waiting for at least `count`.
  std::vector<testing::LoggedRequest> ServerRequests(std::size_t count) {
    return testing::ParseLoggedRequests(install_.ServerLog(count));
  }

  static constexpr const char* kOrlentKey = testing::Installation::kOrlentKey;

  // The maker's server for the next runs; empty: the installation's own.
  std::string serverBase_;
  os::CurlHttpClientOptions httpOptions_;

  testing::Installation install_;
  const testing::TempDir& dir_;
  const std::string root_;
};

}  // namespace pavane::flows
