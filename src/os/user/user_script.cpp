#include "os/user/user_script.h"

#include <cstdlib>

#include "os/files.h"

namespace pavane::os::user {
namespace {

constexpr std::uint64_t kMaxScriptBytes = 1024 * 1024;
constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The first word of `text` and what follows it, without the blanks between.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view text) {
  const std::size_t end = std::min(text.find_first_of(kBlanks), text.size());
  return {text.substr(0, end), Trim(text.substr(end))};
}

}  // namespace

UserScript::UserScript(std::string_view text) {
  int number = 0;
  while (!text.empty() || number == 0) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    ++number;
    if (line.empty() || line.starts_with('#')) continue;
    UserAction action;
    action.line = number;
    action.text = line;
    auto [verb, arguments] = SplitWord(line);
    action.verb = verb;
    action.rest = SplitWord(arguments).second;
    while (!arguments.empty()) {
      const auto [word, after] = SplitWord(arguments);
      action.words.emplace_back(word);
      arguments = after;
    }
    actions_.push_back(std::move(action));
  }
}

bool UserScript::ReadFile(const std::string& path, std::string& text, std::string& error) {
  FileError fileError;
  if (!ReadFileBytes(path, kMaxScriptBytes, text, fileError)) {
    error = "cannot read the script " + path + ": " + fileError.description;
    return false;
  }
  return true;
}

bool UserScript::ReadFromEnvironment(std::string& text, std::string& error) {
  text.clear();
  const char* path = std::getenv("PAVANE_SCRIPT");
  return path == nullptr || *path == '\0' || ReadFile(path, text, error);
}

const UserAction* UserScript::Next() {
  return next_ < actions_.size() ? &actions_[next_++] : nullptr;
}

}  // namespace pavane::os::user
