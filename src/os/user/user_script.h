// The scripted user's part: one action a line, taken in order whenever the
// program waits for the user. Blank lines and lines starting with "#" are
// skipped; the first word is the action, the words after it its arguments,
// and for "fill" everything after the element id is the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pavane::os::user {

struct UserAction {
  int line = 0;                    // in the script, from 1
  std::string text;                // the whole line, trimmed, for the transcript
  std::string verb;                // click, fill, tick, ...
  std::vector<std::string> words;  // the arguments split at blanks
  std::string rest;                // everything after the first argument (fill's text)
};

class UserScript {
 public:
  UserScript() = default;
  explicit UserScript(std::string_view text);

  // Reads a script file (bounded); false with `error` when it cannot be read.
  static bool ReadFile(const std::string& path, std::string& text, std::string& error);
  // The script of an unattended run: the file PAVANE_SCRIPT names; "" when
  // it names none.
  static bool ReadFromEnvironment(std::string& text, std::string& error);

  // The next action, or null when the script has run out.
  const UserAction* Next();
  std::size_t Remaining() const { return actions_.size() - next_; }

 private:
  std::vector<UserAction> actions_;
  std::size_t next_ = 0;
};

}  // namespace pavane::os::user
