// The statement engine that runs the language files' statements against a
// screen's controls. The input is one statement text, as a screen section
// line holds it ("lblHdr1.Caption = "Welcome" & Chr(33)").
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "screens/host/control.h"
#include "vbscript/engine.h"
#include "vbscript/lexer.h"
#include "vbscript/statement_runner.h"
#include "vbscript/value.h"

namespace {

using pavane::fuzz::Expect;
using pavane::screens::Control;
using pavane::screens::ControlKind;
using pavane::screens::ControlProperty;
using pavane::screens::kControlPropertyCount;
using namespace pavane::vbscript;

using Snapshot = std::vector<std::array<Value, kControlPropertyCount>>;

// A screen's worth of controls, one of each kind that statements reach.
struct Form {
  Form() {
    const std::pair<ControlKind, const char*> made[] = {
        {ControlKind::kLabel, "lblHdr1"},
        {ControlKind::kTextBox, "txtEmail"},
        {ControlKind::kFrame, "fraTop"},
        {ControlKind::kCommandButton, "cmdNext"},
        {ControlKind::kCheckBox, "chkAgree"},
        {ControlKind::kImage, "imgIcon"},
        {ControlKind::kCaptionBar, "UniFormCaptionB1"},
        {ControlKind::kLinkLabel, "lblLink"}};
    for (const auto& [kind, name] : made) controls.push_back(std::make_unique<Control>(kind, name));
    controls.push_back(std::make_unique<Control>(ControlKind::kLabel, "lblLine", 2));
    for (const auto& control : controls) engine.AddObject(control->ScriptName(), *control);
  }

  Snapshot Take() const {
    Snapshot snapshot;
    for (const auto& control : controls) {
      auto& values = snapshot.emplace_back();
      for (std::size_t p = 0; p < kControlPropertyCount; ++p) {
        values[p] = control->Get(static_cast<ControlProperty>(p));
      }
    }
    return snapshot;
  }

  std::vector<std::unique_ptr<Control>> controls;
  Engine engine;
};

// What a property of each type holds as a value, in PropertyType's order.
constexpr ValueType kValueTypeOf[] = {ValueType::kString, ValueType::kLong, ValueType::kBoolean,
                                      ValueType::kDouble};

bool TypesHold(const Form& form) {
  for (const auto& control : form.controls) {
    for (std::size_t p = 0; p < kControlPropertyCount; ++p) {
      const auto property = static_cast<ControlProperty>(p);
      const Value& value = control->Get(property);
      const auto type = static_cast<int>(pavane::screens::TypeOf(property));
      // A property the control lacks stays empty.
      if (value.Type() != (control->Has(property) ? kValueTypeOf[type] : ValueType::kEmpty))
        return false;
    }
  }
  return true;
}

// Number literals convert to text and back without loss.
void CheckNumbers(const std::vector<Token>& tokens) {
  for (const Token& token : tokens) {
    if (token.kind != TokenKind::kNumber) continue;
    const Value text = Value::String(ToString(token.value));
    std::string error;
    if (token.value.Type() == ValueType::kInteger || token.value.Type() == ValueType::kLong) {
      std::int32_t back = 0;
      Expect(ToLong(text, back, error) && back == token.value.LongValue(),
             "a whole number reads back from its text");
    } else if (token.value.Type() == ValueType::kDouble &&
               std::isfinite(token.value.DoubleValue())) {
      double back = 0;
      const double number = token.value.DoubleValue();
      Expect(ToDouble(text, back, error), "a number's text is a number");
      Expect(std::fabs(back - number) <= std::fabs(number) * 1e-14,
             "a number reads back from its text to 15 digits");
    }
  }
}

}  // namespace

PAVANE_FUZZ_TARGET(statement) {
  Form form;
  const Snapshot before = form.Take();

  std::vector<Token> tokens;
  std::string error;
  bool syntaxOk = Tokenize(statement, tokens, error);
  bool oneStatement = true;
  if (syntaxOk) {
    CheckNumbers(tokens);
    for (const Token& token : tokens)
      oneStatement = oneStatement && token.kind != TokenKind::kSeparator;
    auto lookUp = [&](std::string_view name) { return form.engine.FindObject(name); };
    syntaxOk = StatementRunner(tokens, lookUp, StatementRunner::Mode::kCheckSyntax).Run(error);
  }
  Expect(form.Take() == before, "checking the syntax touches nothing");

  const bool ran = form.engine.ExecuteStatement(statement, error);
  Expect(ran == error.empty(), "a failing statement says why, a statement that runs says nothing");
  if (!syntaxOk) Expect(!ran, "a statement with a syntax error does not run");
  if (!ran && (!syntaxOk || oneStatement)) {
    Expect(form.Take() == before, "a failing statement changes nothing");
  }
  Expect(TypesHold(form), "every property keeps its type");
}
