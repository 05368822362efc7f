// Unicode case mapping of UTF-8 text, from the C library's Unicode tables,
// and the UTF-8 form of a code point.
#pragma once

#include <string>
#include <string_view>

namespace pavane::os {

// Maps every character to lower (upper) case, as Windows does when it compares
// names without regard to case. Bytes that are not valid UTF-8 pass through
// unchanged.
std::string LowerCaseUtf8(std::string_view text);
std::string UpperCaseUtf8(std::string_view text);

// The UTF-8 sequence that starts at `pos` (< bytes.size()): well-formed as
// Unicode defines it (no overlong forms, no surrogates, nothing above
// U+10FFFF) with its length, or not, with the number of bytes it spoils (at
// least 1: those that a decoder replaces by one U+FFFD).
struct Utf8Sequence {
  bool valid;
  std::size_t length;
};
Utf8Sequence NextUtf8Sequence(std::string_view bytes, std::size_t pos);

// Number of characters; a byte that starts no well-formed sequence counts as
// one character.
std::size_t Utf8Length(std::string_view text);

// Appends the UTF-8 bytes of `codePoint` (at most U+10FFFF) to `text`.
inline void AppendUtf8(std::string& text, char32_t codePoint) {
  if (codePoint < 0x80) {
    text += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    text += static_cast<char>(0xC0 | (codePoint >> 6));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    text += static_cast<char>(0xE0 | (codePoint >> 12));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (codePoint >> 18));
    text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace pavane::os
