// What happened on the headless screens, one line per happening: written to
// a stream as it happens (standard output in unattended runs) and kept for
// tests to search.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::headless {

class Transcript {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}

  void Write(std::string line) {
    // Flushed at once so that a run that dies still shows its last step.
    out_ << line << std::endl;
    lines_.push_back(std::move(line));
  }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::ostream& out_;
  std::vector<std::string> lines_;
};

// A text as one transcript field: in double quotes, each line break (as a
// window shows it) as "\n".
inline std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char ch : UnixLines(text)) {
    if (ch == '\n') {
      quoted += "\\n";
    } else {
      quoted += ch;
    }
  }
  return quoted + "\"";
}

}  // namespace pavane::os::headless
