// Reads the tokens of one statement text by recursive descent and, in
// execute mode, evaluates and applies each statement as soon as it has been
// read in full. The engine first runs it in syntax-check mode, which touches
// no object, so that a syntax error in any part of a text runs none of it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vbscript/lexer.h"
#include "vbscript/operators.h"
#include "vbscript/script_object.h"

namespace pavane::vbscript {

class StatementRunner {
 public:
  enum class Mode { kCheckSyntax, kExecute };
  using ObjectLookUp = std::function<ScriptObject*(std::string_view name)>;

  StatementRunner(const std::vector<Token>& tokens, ObjectLookUp lookUp, Mode mode)
      : tokens_(tokens), lookUp_(std::move(lookUp)), execute_(mode == Mode::kExecute) {}

  bool Run(std::string& error);

 private:
  using Path = std::vector<const Token*>;

  bool RunStatement();
  bool ReadPath(Path& path);
  bool ReadCallArguments(std::vector<Value>& arguments);
  // Expressions separated by commas, at least one.
  bool ReadExpressions(std::vector<Value>& arguments);
  bool ReadArgumentList(TokenKind closing, std::vector<Value>& arguments);
  bool Apply(const Path& path, const Value* assigned, const std::vector<Value>& arguments);

  bool Expression(Value& value);
  bool Expression(Operand& value);
  // One precedence level of the operators (0 the loosest).
  bool Binary(Operand& value, std::size_t level);
  bool Unary(Operand& value);
  bool Primary(Operand& value);
  bool IdentifierTerm(Operand& value);
  // Fails once more levels are nested than the engine allows; every
  // recursion of the expression reader counts its levels with `depth_`.
  bool TooDeep();

  bool ResolveOwner(const Path& path, ScriptObject*& owner);
  std::size_t MatchingParen(std::size_t open) const;

  const Token& Peek() const { return tokens_[position_]; }
  const Token& Next() { return tokens_[position_++]; }
  bool At(TokenKind kind) const { return Peek().kind == kind; }
  bool AtStatementEnd() const { return At(TokenKind::kSeparator) || At(TokenKind::kEnd); }
  bool Fail(std::string message);
  bool SyntaxError(const Token& token);
  bool Expect(TokenKind kind, std::string_view shown);

  const std::vector<Token>& tokens_;
  ObjectLookUp lookUp_;
  bool execute_;
  std::size_t position_ = 0;
  int depth_ = 0;
  std::string error_;
};

}  // namespace pavane::vbscript
