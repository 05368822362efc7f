// The statement engine that runs the language files' statements against a
// screen's controls. The input is one statement text, as a screen section
// line holds it ("lblHdr1.Caption = "Welcome" & Chr(33)").
#include <memory>

#include "fuzz_support.h"
#include "screens/host/control.h"
#include "vbscript/engine.h"
#include "vbscript/lexer.h"
#include "vbscript/statement_runner.h"

namespace {

using namespace pavane::screens;
using namespace pavane::vbscript;

// What a property of each type holds as a value, in PropertyType's order.
constexpr ValueType kValueTypeOf[] = {ValueType::kString, ValueType::kLong, ValueType::kBoolean,
                                      ValueType::kDouble};

// A screen's worth of controls, one of each kind that statements reach.
struct Form {
  Form() {
    for (const auto& [kind, name] : {std::pair{ControlKind::kLabel, "lblHdr1"},
                                     {ControlKind::kTextBox, "txtEmail"},
                                     {ControlKind::kFrame, "fraTop"},
                                     {ControlKind::kCommandButton, "cmdNext"},
                                     {ControlKind::kCheckBox, "chkAgree"},
                                     {ControlKind::kImage, "imgIcon"},
                                     {ControlKind::kCaptionBar, "UniFormCaptionB1"},
                                     {ControlKind::kLinkLabel, "lblLink"}})
      controls.push_back(std::make_unique<Control>(kind, name));
    controls.push_back(std::make_unique<Control>(ControlKind::kLabel, "lblLine", 2));
    for (const auto& control : controls) engine.AddObject(control->ScriptName(), *control);
  }

  // Every property's value; each must be of its property's type, or empty
  // where the control lacks the property.
  std::vector<Value> Take() const {
    std::vector<Value> values;
    for (const auto& control : controls) {
      for (std::size_t p = 0; p < kControlPropertyCount; ++p) {
        const auto property = static_cast<ControlProperty>(p);
        const Value& value = values.emplace_back(control->Get(property));
        Expect(value.Type() == (control->Has(property)
                                    ? kValueTypeOf[static_cast<int>(TypeOf(property))]
                                    : ValueType::kEmpty),
               "every property keeps its type");
      }
    }
    return values;
  }

  std::vector<std::unique_ptr<Control>> controls;
  Engine engine;
};

}  // namespace

PAVANE_FUZZ_TARGET(statement) {
  Form form;
  const std::vector<Value> before = form.Take();

  std::vector<Token> tokens;
  std::string error;
  bool syntaxOk = Tokenize(statement, tokens, error);
  bool oneStatement = true;
  for (const Token& token : tokens)
    oneStatement = oneStatement && token.kind != TokenKind::kSeparator;
  if (syntaxOk) {
    auto lookUp = [&](std::string_view name) { return form.engine.FindObject(name); };
    syntaxOk = StatementRunner(tokens, lookUp, StatementRunner::Mode::kCheckSyntax).Run(error);
    Expect(form.Take() == before, "checking the syntax touches nothing");
  }

  const bool ran = form.engine.ExecuteStatement(statement, error);
  Expect(ran == error.empty(), "a failing statement says why, a statement that runs says nothing");
  Expect(syntaxOk || !ran, "a statement with a syntax error does not run");
  const std::vector<Value> after = form.Take();
  if (!ran && (!syntaxOk || oneStatement))
    Expect(after == before, "a failing statement changes nothing");
}
