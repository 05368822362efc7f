// The reference server as a child process for a test: started on a port of
// its own choosing, logging to a file in a temporary folder, stopped when the
// object goes away.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_dir.h"

using GSubprocess = struct _GSubprocess;

namespace pavane::testing {

class DevserverProcess {
 public:
  // `program` is the built pavane-devserver; `extraArgs` are added to its
  // command line (for example {"--delay-ms", "3000"}). Fails the current test
  // (ADD_FAILURE) when the server does not announce its port within 10 s;
  // then started() is false.
  explicit DevserverProcess(const std::string& program, std::vector<std::string> extraArgs = {});
  ~DevserverProcess();
  DevserverProcess(const DevserverProcess&) = delete;
  DevserverProcess& operator=(const DevserverProcess&) = delete;

  bool started() const { return port_ > 0; }
  int port() const { return port_; }
  pid_t pid() const;
  // "http://127.0.0.1:<port>", no trailing slash.
  std::string BaseUrl() const;

  // The log lines written so far (one JSON object each).
  std::vector<std::string> LogLines() const;
  // Waits, checking every 10 ms, until the log has at least `count` lines or
  // `limit` has passed; returns the lines.
  std::vector<std::string> WaitForLogLines(std::size_t count,
                                           std::chrono::milliseconds limit) const;

 private:
  TempDir dir_;
  std::string logPath_;
  GSubprocess* child_ = nullptr;
  int port_ = 0;
};

}  // namespace pavane::testing
