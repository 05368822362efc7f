#include "screens/info/validation_answer.h"

namespace pavane::screens {

std::optional<std::string> ValidationAnswer(std::string_view body) {
  const std::size_t open = body.find(kValidationOpenMarker);
  if (open == std::string_view::npos) return std::nullopt;
  const std::size_t start = open + kValidationOpenMarker.size();
  // A cut-off or malformed answer counts as no answer: the address is taken
  // unvalidated rather than leaving the user stuck.
  const std::size_t close = body.find(kValidationCloseMarker, start);
  if (close == std::string_view::npos) return std::nullopt;
  std::string answer(body.substr(start, close - start));
  if (answer.find("ERR_CODE:") == std::string::npos) return std::nullopt;
  return answer;
}

}  // namespace pavane::screens
