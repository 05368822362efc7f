#include "vbscript/statement_runner.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "vbscript/builtin_functions.h"
#include "vbscript/engine.h"
#include "vbscript/operators.h"

namespace pavane::vbscript {
namespace {

constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

std::string Shown(std::string_view name) {
  return "'" + std::string(name) + "'";
}

}  // namespace

bool StatementRunner::Run(std::string& error) {
  while (true) {
    while (At(TokenKind::kSeparator)) {
      Next();
    }
    if (At(TokenKind::kEnd)) {
      return true;
    }
    if (!RunStatement()) {
      error = error_;
      return false;
    }
  }
}

bool StatementRunner::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool StatementRunner::SyntaxError(const Token& token) {
  return Fail("Syntax error at column " + std::to_string(token.column));
}

bool StatementRunner::Expect(TokenKind kind, std::string_view shown) {
  if (!At(kind)) {
    return Fail("Expected '" + std::string(shown) + "' at column " + std::to_string(Peek().column));
  }
  Next();
  return true;
}

bool StatementRunner::RunStatement() {
  if (!At(TokenKind::kIdentifier)) {
    return SyntaxError(Peek());
  }
  bool callKeyword = SameName(Peek().text, "call");
  if (callKeyword) {
    Next();
  }
  Path path;
  if (!ReadPath(path)) {
    return false;
  }
  std::vector<Value> arguments;
  if (callKeyword) {
    if (At(TokenKind::kOpenParen)) {
      Next();
      if (!ReadArgumentList(TokenKind::kCloseParen, arguments)) {
        return false;
      }
    }
    if (!AtStatementEnd()) {
      return SyntaxError(Peek());
    }
    return Apply(path, nullptr, arguments);
  }
  if (At(TokenKind::kEquals)) {
    Next();
    Value value;
    if (!Expression(value)) {
      return false;
    }
    if (!AtStatementEnd()) {
      return SyntaxError(Peek());
    }
    return Apply(path, &value, arguments);
  }
  if (!ReadCallArguments(arguments)) {
    return false;
  }
  return Apply(path, nullptr, arguments);
}

bool StatementRunner::ReadPath(Path& path) {
  if (!At(TokenKind::kIdentifier)) {
    return SyntaxError(Peek());
  }
  path.push_back(&Next());
  while (At(TokenKind::kDot)) {
    Next();
    if (!At(TokenKind::kIdentifier)) {
      return SyntaxError(Peek());
    }
    path.push_back(&Next());
  }
  return true;
}

std::size_t StatementRunner::MatchingParen(std::size_t open) const {
  int depth = 0;
  for (std::size_t i = open;
       tokens_[i].kind != TokenKind::kEnd && tokens_[i].kind != TokenKind::kSeparator; ++i) {
    if (tokens_[i].kind == TokenKind::kOpenParen) {
      ++depth;
    } else if (tokens_[i].kind == TokenKind::kCloseParen && --depth == 0) {
      return i;
    }
  }
  return kNoMatch;
}

bool StatementRunner::ReadCallArguments(std::vector<Value>& arguments) {
  if (AtStatementEnd()) {
    return true;
  }
  // "a.Move(1, 2, 3, 4)" puts the whole list in parentheses, while in
  // "a.Move (1), 2, 3, 4" they belong to the first argument only; what
  // follows the matching ")" tells the two apart.
  if (At(TokenKind::kOpenParen)) {
    std::size_t close = MatchingParen(position_);
    if (close != kNoMatch && (tokens_[close + 1].kind == TokenKind::kSeparator ||
                              tokens_[close + 1].kind == TokenKind::kEnd)) {
      Next();
      return ReadArgumentList(TokenKind::kCloseParen, arguments);
    }
    // "a.Caption(1) = 2" assigns to an indexed property, which no object
    // has; it is no call with the argument "(1) = 2".
    if (close != kNoMatch && tokens_[close + 1].kind == TokenKind::kEquals) {
      return SyntaxError(tokens_[close + 1]);
    }
  }
  if (!ReadExpressions(arguments)) {
    return false;
  }
  if (!AtStatementEnd()) {
    return SyntaxError(Peek());
  }
  return true;
}

bool StatementRunner::ReadExpressions(std::vector<Value>& arguments) {
  while (true) {
    Value value;
    if (!Expression(value)) {
      return false;
    }
    arguments.push_back(std::move(value));
    if (!At(TokenKind::kComma)) {
      break;
    }
    Next();
  }
  return true;
}

bool StatementRunner::ReadArgumentList(TokenKind closing, std::vector<Value>& arguments) {
  if (At(closing)) {
    Next();
    return true;
  }
  return ReadExpressions(arguments) && Expect(closing, ")");
}

bool StatementRunner::ResolveOwner(const Path& path, ScriptObject*& owner) {
  owner = lookUp_(path.front()->text);
  if (owner == nullptr) {
    return Fail("Object required: " + Shown(path.front()->text));
  }
  std::string shown = path.front()->text;
  for (std::size_t i = 1; i + 1 < path.size(); ++i) {
    shown += "." + path[i]->text;
    owner = owner->GetMember(path[i]->text);
    if (owner == nullptr) {
      return Fail("Object doesn't support this property or method: " + Shown(shown));
    }
  }
  return true;
}

bool StatementRunner::Apply(const Path& path, const Value* assigned,
                            const std::vector<Value>& arguments) {
  if (!execute_) {
    return true;
  }
  if (path.size() < 2) {
    return Fail(assigned != nullptr ? "Variables are not supported: " + Shown(path[0]->text)
                                    : "Sub or function not defined: " + Shown(path[0]->text));
  }
  ScriptObject* owner = nullptr;
  if (!ResolveOwner(path, owner)) {
    return false;
  }
  std::string error;
  const std::string& member = path.back()->text;
  bool done = assigned != nullptr ? owner->SetProperty(member, *assigned, error)
                                  : owner->CallMethod(member, arguments, error);
  return done || Fail(std::move(error));
}

bool StatementRunner::Expression(Value& value) {
  Operand operand;
  if (!Binary(operand, 0)) return false;
  value = std::move(operand.value);
  return true;
}

bool StatementRunner::Expression(Operand& value) {
  return Binary(value, 0);
}

namespace {

// An operator of one precedence level: a symbol, or a keyword (an identifier
// token with that name).
struct BinaryToken {
  TokenKind token;
  std::string_view keyword;
  BinaryOperator op;
};

// The operators by precedence, loosest first, as the old language ranked
// them; Not stands between And and the comparisons. Unary minus binds
// tighter than "^" (-3 ^ 2 is 9), as the old engine did, whatever its
// documentation said.
constexpr BinaryToken kImp[] = {{TokenKind::kIdentifier, "imp", BinaryOperator::kImp}};
constexpr BinaryToken kEqv[] = {{TokenKind::kIdentifier, "eqv", BinaryOperator::kEqv}};
constexpr BinaryToken kXor[] = {{TokenKind::kIdentifier, "xor", BinaryOperator::kXor}};
constexpr BinaryToken kOr[] = {{TokenKind::kIdentifier, "or", BinaryOperator::kOr}};
constexpr BinaryToken kAnd[] = {{TokenKind::kIdentifier, "and", BinaryOperator::kAnd}};
constexpr BinaryToken kComparisons[] = {
    {TokenKind::kEquals, {}, BinaryOperator::kEqual},
    {TokenKind::kNotEqual, {}, BinaryOperator::kNotEqual},
    {TokenKind::kLess, {}, BinaryOperator::kLess},
    {TokenKind::kGreater, {}, BinaryOperator::kGreater},
    {TokenKind::kLessEqual, {}, BinaryOperator::kLessEqual},
    {TokenKind::kGreaterEqual, {}, BinaryOperator::kGreaterEqual},
    {TokenKind::kIdentifier, "is", BinaryOperator::kIs}};
constexpr BinaryToken kConcatenation[] = {
    {TokenKind::kAmpersand, {}, BinaryOperator::kConcatenate}};
constexpr BinaryToken kAdditive[] = {{TokenKind::kPlus, {}, BinaryOperator::kAdd},
                                     {TokenKind::kMinus, {}, BinaryOperator::kSubtract}};
constexpr BinaryToken kModulo[] = {{TokenKind::kIdentifier, "mod", BinaryOperator::kModulo}};
constexpr BinaryToken kIntegerDivision[] = {
    {TokenKind::kBackslash, {}, BinaryOperator::kIntegerDivide}};
constexpr BinaryToken kMultiplicative[] = {{TokenKind::kStar, {}, BinaryOperator::kMultiply},
                                           {TokenKind::kSlash, {}, BinaryOperator::kDivide}};
constexpr BinaryToken kPower[] = {{TokenKind::kCaret, {}, BinaryOperator::kPower}};
constexpr std::span<const BinaryToken> kBinaryLevels[] = {
    kImp,
    kEqv,
    kXor,
    kOr,
    kAnd,
    {},  // Not, which is no binary operator
    kComparisons,
    kConcatenation,
    kAdditive,
    kModulo,
    kIntegerDivision,
    kMultiplicative,
    kPower,
};
constexpr std::size_t kNotLevel = [] {
  std::size_t level = 0;
  while (!kBinaryLevels[level].empty()) ++level;
  return level;
}();

// The operator keywords are reserved: none of them names a value.
bool IsOperatorKeyword(std::string_view lowerName) {
  return lowerName == "not" || lowerName == "and" || lowerName == "or" || lowerName == "xor" ||
         lowerName == "eqv" || lowerName == "imp" || lowerName == "mod" || lowerName == "is";
}

}  // namespace

bool StatementRunner::TooDeep() {
  if (depth_ <= Engine::kMaxNesting) return false;
  Fail("Expression nested too deeply (more than " + std::to_string(Engine::kMaxNesting) +
       " levels) at column " + std::to_string(Peek().column));
  return true;
}

bool StatementRunner::Binary(Operand& value, std::size_t level) {
  if (level == std::size(kBinaryLevels)) return Unary(value);
  if (level == kNotLevel && At(TokenKind::kIdentifier) && SameName(Peek().text, "not")) {
    DepthGuard guard(depth_);
    if (TooDeep()) return false;
    Next();
    Operand operand;
    if (!Binary(operand, level)) return false;
    std::string error;
    if (execute_ && !Not(operand.value, value.value, error)) return Fail(std::move(error));
    value.literal = false;
    return true;
  }
  if (!Binary(value, level + 1)) return false;
  for (;;) {
    const auto& operators = kBinaryLevels[level];
    const auto found = std::find_if(operators.begin(), operators.end(), [this](const auto& entry) {
      return At(entry.token) && (entry.keyword.empty() || SameName(Peek().text, entry.keyword));
    });
    if (found == operators.end()) return true;
    Next();
    Operand right;
    if (!Binary(right, level + 1)) return false;
    std::string error;
    Value result;
    if (execute_ && !ApplyBinary(found->op, value, right, result, error)) {
      return Fail(std::move(error));
    }
    value = {std::move(result), false};
  }
}

bool StatementRunner::Unary(Operand& value) {
  // Every level of nesting (parentheses, function arguments, signs) passes
  // through here or through Not, so this one counter bounds the recursion.
  DepthGuard guard(depth_);
  if (TooDeep()) return false;
  if (At(TokenKind::kMinus)) {
    Next();
    Operand operand;
    if (!Unary(operand)) {
      return false;
    }
    std::string error;
    if (execute_ && !Negate(operand.value, value.value, error)) {
      return Fail(std::move(error));
    }
    // A negative number is written down as much as a positive one.
    value.literal = operand.literal;
    return true;
  }
  if (At(TokenKind::kPlus)) {
    Next();
    return Unary(value);
  }
  return Primary(value);
}

bool StatementRunner::Primary(Operand& value) {
  switch (Peek().kind) {
    case TokenKind::kNumber:
      value = {Next().value, true};
      return true;
    case TokenKind::kString:
      value = {Value::String(Next().text), true};
      return true;
    case TokenKind::kOpenParen:
      Next();
      return Expression(value) && Expect(TokenKind::kCloseParen, ")");
    case TokenKind::kIdentifier:
      if (IsOperatorKeyword(LowerCaseName(Peek().text))) return SyntaxError(Peek());
      return IdentifierTerm(value);
    default:
      return SyntaxError(Peek());
  }
}

bool StatementRunner::IdentifierTerm(Operand& operand) {
  Value& value = operand.value;
  operand.literal = false;
  const Token& name = Next();
  std::string lower = LowerCaseName(name.text);
  std::string error;

  if (At(TokenKind::kOpenParen)) {
    Next();
    std::vector<Value> arguments;
    if (!ReadArgumentList(TokenKind::kCloseParen, arguments)) {
      return false;
    }
    if (!execute_) {
      return true;
    }
    if (!IsBuiltinFunction(lower)) {
      return Fail("Sub or function not defined: " + Shown(name.text));
    }
    return CallBuiltinFunction(lower, arguments, value, error) || Fail(std::move(error));
  }

  if (At(TokenKind::kDot)) {
    Path path{&name};
    while (At(TokenKind::kDot)) {
      Next();
      if (!At(TokenKind::kIdentifier)) {
        return SyntaxError(Peek());
      }
      path.push_back(&Next());
    }
    if (!execute_) {
      return true;
    }
    ScriptObject* owner = nullptr;
    if (!ResolveOwner(path, owner)) {
      return false;
    }
    return owner->GetProperty(path.back()->text, value, error) || Fail(std::move(error));
  }

  if (LookUpConstant(lower, value)) {
    operand.literal = true;
    return true;
  }
  if (!execute_) {
    return true;
  }
  // Objects have no default property here: a bare control name is far more
  // likely a translator's slip than a wish for its caption.
  if (lookUp_(name.text) != nullptr) {
    return Fail("Object used as a value: " + Shown(name.text) + " (name a property)");
  }
  return Fail("Variable is undefined: " + Shown(name.text));
}

}  // namespace pavane::vbscript
