// What happened on the headless screens, one line per happening: written to
// a stream as it happens (standard output in unattended runs) and kept for
// tests to search.
#pragma once

#include <ostream>
#include <string>
#include <vector>

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

// A text as one transcript field: in double quotes, line breaks as "\n".
inline std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      quoted += "\\n";
    } else if (text[i] == '\n') {
      quoted += "\\n";
    } else {
      quoted += text[i];
    }
  }
  return quoted + "\"";
}

}  // namespace pavane::os::headless
