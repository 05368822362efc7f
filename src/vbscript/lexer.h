// Splits a statement text into tokens. Comments ("'" to the end of the line)
// are dropped here; ":" and line breaks become statement separators.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vbscript/value.h"

namespace pavane::vbscript {

enum class TokenKind {
  kIdentifier,
  kNumber,  // `value` holds the literal, already typed (Integer, Long or Double)
  kString,  // `text` holds the contents with doubled quotes undone
  kDot,
  kComma,
  kOpenParen,
  kCloseParen,
  kEquals,
  kAmpersand,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kBackslash,
  kCaret,
  kLess,
  kGreater,
  kLessEqual,     // also written "=<"
  kGreaterEqual,  // also written "=>"
  kNotEqual,      // also written "><"
  kSeparator,
  kEnd,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // identifier as written, or string contents
  Value value;
  std::size_t column = 1;  // 1-based, counted in characters
};

// Fails with a message naming the column of the offending character.
bool Tokenize(std::string_view statement, std::vector<Token>& tokens, std::string& error);

}  // namespace pavane::vbscript
