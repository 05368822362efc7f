#include "platform/text.h"

#include "os/unicode.h"

namespace pavane::platform {

std::string LowerCase(std::string_view text) {
  return os::LowerCaseUtf8(text);
}

std::string UpperCase(std::string_view text) {
  return os::UpperCaseUtf8(text);
}

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    // Nothing to split at: the old runtime gave the whole text as one piece.
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = text.find(separator, start);
    if (found == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      return pieces;
    }
    pieces.emplace_back(text.substr(start, found - start));
    start = found + separator.size();
  }
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) {
    return std::string(text);
  }
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = text.find(from, start);
    if (found == std::string_view::npos) {
      result.append(text.substr(start));
      return result;
    }
    result.append(text.substr(start, found - start));
    result.append(to);
    start = found + from.size();
  }
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::size_t CharacterCount(std::string_view text) {
  return os::Utf8Length(text);
}

}  // namespace pavane::platform
