// Runs one of the project's programs as a child process (no shell) and
// collects what it printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pavane::testing {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// `environment` entries are "NAME=value" pairs added to the test's own.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

}  // namespace pavane::testing
