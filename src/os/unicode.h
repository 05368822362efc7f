// Unicode case mapping of UTF-8 text, from the C library's Unicode tables.
#pragma once

#include <string>
#include <string_view>

namespace pavane::os {

// Maps every character to lower (upper) case, as Windows does when it compares
// names without regard to case. Bytes that are not valid UTF-8 pass through
// unchanged.
std::string LowerCaseUtf8(std::string_view text);
std::string UpperCaseUtf8(std::string_view text);

// Number of characters; an invalid byte counts as one character.
std::size_t Utf8Length(std::string_view text);

}  // namespace pavane::os
