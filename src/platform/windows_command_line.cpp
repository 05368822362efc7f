#include "platform/windows_command_line.h"

#include <iterator>

namespace pavane::platform {
namespace {

bool IsSeparator(char ch) {
  return ch == ' ' || ch == '\t';
}

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  const std::size_t size = commandLine.size();
  while (pos < size && IsSeparator(commandLine[pos])) ++pos;
  if (pos == size) return arguments;

  std::string program;
  bool quoted = false;
  for (; pos < size; ++pos) {
    const char ch = commandLine[pos];
    if (ch == '"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(ch)) {
      break;
    } else {
      program += ch;
    }
  }
  arguments.push_back(std::move(program));
  std::vector<std::string> rest = SplitWindowsArguments(commandLine.substr(pos));
  arguments.insert(arguments.end(), std::make_move_iterator(rest.begin()),
                   std::make_move_iterator(rest.end()));
  return arguments;
}

std::vector<std::string> SplitWindowsArguments(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  const std::size_t size = commandLine.size();
  for (;;) {
    while (pos < size && IsSeparator(commandLine[pos])) ++pos;
    if (pos == size) break;

    std::string argument;
    bool quoted = false;
    while (pos < size) {
      std::size_t backslashes = 0;
      while (pos < size && commandLine[pos] == '\\') {
        ++backslashes;
        ++pos;
      }
      if (pos < size && commandLine[pos] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
        } else if (quoted && pos + 1 < size && commandLine[pos + 1] == '"') {
          argument += '"';
          ++pos;
        } else {
          quoted = !quoted;
        }
        ++pos;
        continue;
      }
      argument.append(backslashes, '\\');
      if (pos == size || (!quoted && IsSeparator(commandLine[pos]))) break;
      argument += commandLine[pos];
      ++pos;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string QuoteWindowsArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char ch : argument) {
    if (ch == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote gets one more.
    quoted.append(ch == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += ch;
  }
  // ... and so are those before the closing quote.
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

}  // namespace pavane::platform
