#include "vbscript/engine.h"

#include <vector>

#include "vbscript/lexer.h"
#include "vbscript/statement_runner.h"

namespace pavane::vbscript {

bool Engine::AddObject(std::string_view name, ScriptObject& object) {
  return objects_.emplace(LowerCaseName(name), &object).second;
}

ScriptObject* Engine::FindObject(std::string_view name) const {
  auto found = objects_.find(LowerCaseName(name));
  return found == objects_.end() ? nullptr : found->second;
}

bool Engine::ExecuteStatement(std::string_view statement, std::string& error) {
  error.clear();
  if (statement.size() > kMaxStatementBytes) {
    error = "Statement too long: " + std::to_string(statement.size()) + " bytes (at most " +
            std::to_string(kMaxStatementBytes) + ")";
    return false;
  }
  std::vector<Token> tokens;
  if (!Tokenize(statement, tokens, error)) {
    return false;
  }
  auto lookUp = [this](std::string_view name) { return FindObject(name); };
  if (!StatementRunner(tokens, lookUp, StatementRunner::Mode::kCheckSyntax).Run(error)) {
    return false;
  }
  return StatementRunner(tokens, lookUp, StatementRunner::Mode::kExecute).Run(error);
}

}  // namespace pavane::vbscript
