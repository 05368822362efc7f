// A whole run of the program for a test: an installation in a temporary
// folder (the built pages and language files, a stub downloader), a registry
// file of its own, the reference server on its default port, and the
// headless window system with a scripted user.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "os/curl/curl_http_client.h"
#include "os/headless/headless_window_system.h"
#include "os/posix/sqlite_registry_store.h"
#include "platform/registry.h"
#include "support/devserver_log.h"
#include "support/devserver_process.h"
#include "support/temp_dir.h"

namespace pavane::flows {

// The real HTTP client, with a note of every request in the order the
// program started them (the server may see simultaneous ones in any order).
class RecordingHttpClient : public os::HttpClient {
 public:
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
  RunResult Run(const std::string& switches, const std::string& script, bool japaneseFont = true,
                int twipsPerPixel = 15);

  platform::Registry& Registry() { return *registry_; }
  std::string Value(const std::string& key, const std::string& name) {
    return registry_->GetStringValue(key, name);
  }
  void Set(const std::string& key, const std::string& name, const std::string& value);
  // A Tandem product counts as installed when its program file exists.
  void Install(const std::string& code);
  // Moves the downloader to the development layout's folder.
  void UseDevelopmentLayout();
  // The arguments the stub downloader was started with ({} when it was not).
  std::vector<std::string> DownloaderArguments();
  // What reached the reference server, waiting for at least `count`.
  std::vector<testing::LoggedRequest> ServerRequests(std::size_t count);

  static constexpr const char* kOrlentKey = "HKEY_LOCAL_MACHINE\\Software\\Orlent";

  testing::TempDir dir_;
  std::string root_;

 private:
  std::vector<std::unique_ptr<testing::ScopedEnv>> environment_;
  std::unique_ptr<os::SqliteRegistryStore> store_;
  std::unique_ptr<platform::Registry> registry_;
  std::unique_ptr<testing::DevserverProcess> server_;
};

}  // namespace pavane::flows
