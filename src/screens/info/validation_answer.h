// The verdict of the maker's address validation service, found in the page
// it answers with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pavane::screens {

inline constexpr std::string_view kValidationOpenMarker = "<!-- EMAIL=\"";
inline constexpr std::string_view kValidationCloseMarker = "\"=EMAIL -->";

// The text between the validation answer's comment markers, or nullopt when
// the answer carries no complete marker pair with an error code in it.
std::optional<std::string> ValidationAnswer(std::string_view body);

}  // namespace pavane::screens
