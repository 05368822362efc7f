// A run for tests: the real registry store on a file in a fresh temporary
// folder, the real HTTP client, and the messages the registry would have
// shown collected instead.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "os/curl/curl_http_client.h"
#include "os/posix/sqlite_registry_store.h"
#include "platform/registry.h"
#include "run/run.h"
#include "support/temp_dir.h"

namespace pavane::testing {

// Language variables from a fixed table.
class TableTexts : public LanguageTexts {
 public:
  explicit TableTexts(std::map<std::string, std::string, std::less<>> table)
      : table_(std::move(table)) {}
  std::string GetStrLocValue(std::string_view name) const override {
    const auto found = table_.find(name);
    return found != table_.end() ? found->second : std::string();
  }

 private:
  std::map<std::string, std::string, std::less<>> table_;
};

class TestRun {
 public:
  explicit TestRun(Deployment deployment = {"http://127.0.0.1:9", "http://127.0.0.1:9",
                                            "127.0.0.1"})
      : store_(dir_.File("registry.db")),
        registry_(store_, [this](const std::string& text) { messages.push_back(text); }),
        run(registry_, http_, std::move(deployment)) {}

  const TempDir& dir() const { return dir_; }
  os::SqliteRegistryStore& store() { return store_; }

 private:
  TempDir dir_;
  os::SqliteRegistryStore store_;
  platform::Registry registry_;
  os::CurlHttpClient http_;

 public:
  std::vector<std::string> messages;
  Run run;
};

}  // namespace pavane::testing
