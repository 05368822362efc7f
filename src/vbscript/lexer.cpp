#include "vbscript/lexer.h"

#include <charconv>

namespace pavane::vbscript {
namespace {

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Columns are reported in characters so that a translator can count them in
// an editor; tokens are produced left to right, so counting goes on from the
// last position instead of starting over.
class ColumnCounter {
 public:
  explicit ColumnCounter(std::string_view text) : text_(text) {}

  std::size_t At(std::size_t offset) {
    for (; offset_ < offset; ++offset_) {
      if ((static_cast<unsigned char>(text_[offset_]) & 0xC0) != 0x80) {
        ++column_;
      }
    }
    return column_;
  }

 private:
  std::string_view text_;
  std::size_t offset_ = 0;
  std::size_t column_ = 1;
};

bool ReadDecimalNumber(std::string_view text, std::size_t& i, Value& value) {
  std::size_t start = i;
  bool fraction = false;
  while (i < text.size() && IsDigit(text[i])) {
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    fraction = true;
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
    }
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t exponent = i + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
      ++exponent;
    }
    if (exponent < text.size() && IsDigit(text[exponent])) {
      fraction = true;
      i = exponent;
      while (i < text.size() && IsDigit(text[i])) {
        ++i;
      }
    }
  }
  double number = 0;
  auto [end, ec] = std::from_chars(text.data() + start, text.data() + i, number);
  if (ec != std::errc() || end != text.data() + i) {
    return false;
  }
  // Whole literals take the smallest type that holds them, as in the old
  // language; this matters for overflow promotion in arithmetic.
  if (!fraction && number <= 32767) {
    value = Value::Integer(static_cast<std::int16_t>(number));
  } else if (!fraction && number <= 2147483647.0) {
    value = Value::Long(static_cast<std::int32_t>(number));
  } else {
    value = Value::Double(number);
  }
  return true;
}

struct OperatorPair {
  std::string_view text;
  TokenKind kind;
};

// The old lexer also took "=<", "=>" and "><", so language files may use them.
constexpr OperatorPair kOperatorPairs[] = {
    {"<>", TokenKind::kNotEqual},     {"><", TokenKind::kNotEqual},
    {"<=", TokenKind::kLessEqual},    {"=<", TokenKind::kLessEqual},
    {">=", TokenKind::kGreaterEqual}, {"=>", TokenKind::kGreaterEqual}};

const OperatorPair* OperatorPairAt(std::string_view text) {
  for (const OperatorPair& pair : kOperatorPairs) {
    if (text.starts_with(pair.text)) return &pair;
  }
  return nullptr;
}

}  // namespace

bool Tokenize(std::string_view statement, std::vector<Token>& tokens, std::string& error) {
  tokens.clear();
  ColumnCounter columns(statement);
  std::size_t i = 0;
  auto fail = [&](std::string_view what, std::size_t offset) {
    error = std::string(what) + " at column " + std::to_string(columns.At(offset));
    return false;
  };
  auto push = [&](TokenKind kind, std::size_t offset) -> Token& {
    Token& token = tokens.emplace_back();
    token.kind = kind;
    token.column = columns.At(offset);
    return token;
  };

  while (i < statement.size()) {
    char c = statement[i];
    std::size_t start = i;
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (c == '\'') {
      while (i < statement.size() && statement[i] != '\r' && statement[i] != '\n') {
        ++i;
      }
    } else if (c == '\r' || c == '\n' || c == ':') {
      ++i;
      if (c == '\r' && i < statement.size() && statement[i] == '\n') {
        ++i;
      }
      push(TokenKind::kSeparator, start);
    } else if (c == '"') {
      // Line breaks inside a string are kept rather than refused: a value
      // with a bare line break is far more likely a translator's text than
      // an attempt at two statements.
      std::string contents;
      ++i;
      bool closed = false;
      while (i < statement.size()) {
        if (statement[i] == '"') {
          if (i + 1 < statement.size() && statement[i + 1] == '"') {
            contents += '"';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        contents += statement[i++];
      }
      if (!closed) {
        return fail("Unterminated string constant", start);
      }
      push(TokenKind::kString, start).text = std::move(contents);
    } else if (IsLetter(c)) {
      while (i < statement.size() &&
             (IsLetter(statement[i]) || IsDigit(statement[i]) || statement[i] == '_')) {
        ++i;
      }
      push(TokenKind::kIdentifier, start).text = std::string(statement.substr(start, i - start));
    } else if (IsDigit(c) || (c == '.' && i + 1 < statement.size() && IsDigit(statement[i + 1]) &&
                              (tokens.empty() || (tokens.back().kind != TokenKind::kIdentifier &&
                                                  tokens.back().kind != TokenKind::kCloseParen)))) {
      Value number;
      if (!ReadDecimalNumber(statement, i, number)) {
        return fail("Overflow", start);
      }
      push(TokenKind::kNumber, start).value = std::move(number);
    } else if (c == '&') {
      Value number;
      bool overflow = false;
      std::size_t used = ReadHexNumber(statement.substr(i), number, overflow);
      if (overflow) {
        return fail("Overflow", start);
      }
      if (used > 0) {
        i += used;
        push(TokenKind::kNumber, start).value = std::move(number);
      } else {
        ++i;
        push(TokenKind::kAmpersand, start);
      }
    } else if (const OperatorPair* pair = OperatorPairAt(statement.substr(i))) {
      i += pair->text.size();
      push(pair->kind, start);
    } else {
      TokenKind kind;
      switch (c) {
        case '.':
          kind = TokenKind::kDot;
          break;
        case ',':
          kind = TokenKind::kComma;
          break;
        case '(':
          kind = TokenKind::kOpenParen;
          break;
        case ')':
          kind = TokenKind::kCloseParen;
          break;
        case '=':
          kind = TokenKind::kEquals;
          break;
        case '+':
          kind = TokenKind::kPlus;
          break;
        case '-':
          kind = TokenKind::kMinus;
          break;
        case '*':
          kind = TokenKind::kStar;
          break;
        case '/':
          kind = TokenKind::kSlash;
          break;
        case '\\':
          kind = TokenKind::kBackslash;
          break;
        case '^':
          kind = TokenKind::kCaret;
          break;
        case '<':
          kind = TokenKind::kLess;
          break;
        case '>':
          kind = TokenKind::kGreater;
          break;
        default:
          return fail("Invalid character", start);
      }
      ++i;
      push(kind, start);
    }
  }
  push(TokenKind::kEnd, statement.size());
  return true;
}

}  // namespace pavane::vbscript
