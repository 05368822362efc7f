// Text helpers shared across the program. Texts are UTF-8 in std::string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pavane::platform {

// Lower and upper case of every character, not only ASCII (what the old
// program's LCase/UCase did). Invalid UTF-8 bytes pass through unchanged.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

// Removes blanks (U+0020 only, as the old program's Trim) from both ends.
std::string Trim(std::string_view text);

// Splits at every occurrence of `separator`; an empty text gives one piece.
std::vector<std::string> Split(std::string_view text, std::string_view separator);

// Replaces every occurrence of `from` (non-empty) by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

bool Contains(std::string_view text, std::string_view part);

// Number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

}  // namespace pavane::platform
