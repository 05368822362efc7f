#include "vbscript/engine.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <vector>

namespace pavane::vbscript {

// Failures show the type (its number in ValueType) and the text of a value.
void PrintTo(const Value& value, std::ostream* out) {
  *out << static_cast<int>(value.Type()) << ":\"" << ToString(value) << '"';
}

namespace {

// A registered object that keeps whatever a statement assigns, to see the
// expression's own type. Its Move method behaves as a screen control's does;
// members such as Font are checked with the controls themselves.
class Probe : public ScriptObject {
 public:
  bool GetProperty(std::string_view name, Value& value, std::string& error) const override {
    auto found = values.find(LowerCaseName(name));
    if (found == values.end()) error = "no property " + std::string(name);
    if (found != values.end()) value = found->second;
    return found != values.end();
  }

  bool SetProperty(std::string_view name, const Value& value, std::string&) override {
    values[LowerCaseName(name)] = value;
    return true;
  }

  bool CallMethod(std::string_view name, std::span<const Value> arguments,
                  std::string& error) override {
    if (!SameName(name, "Move")) return ScriptObject::CallMethod(name, arguments, error);
    calls.emplace_back(arguments.begin(), arguments.end());
    return true;
  }

  std::map<std::string, Value> values;
  std::vector<std::vector<Value>> calls;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    engine_.AddObject("lblA", a_);
    engine_.AddObject("lblB", b_);
    a_.values["caption"] = Value::String("start");
    a_.values["left"] = Value::Long(100);
  }

  // The value an expression computes, as stored untouched by lblA.Raw.
  Value Eval(std::string_view expression) {
    std::string error;
    a_.values.erase("raw");
    EXPECT_TRUE(engine_.ExecuteStatement("lblA.Raw = " + std::string(expression), error))
        << expression << ": " << error;
    return a_.values["raw"];
  }

  void Run(std::string_view statement) {
    std::string error;
    EXPECT_TRUE(engine_.ExecuteStatement(statement, error)) << statement << ": " << error;
  }

  std::string Fails(std::string_view statement) {
    std::string error;
    EXPECT_FALSE(engine_.ExecuteStatement(statement, error)) << statement;
    EXPECT_FALSE(error.empty()) << statement;
    return error;
  }

  Engine engine_;
  Probe a_;
  Probe b_;
};

TEST_F(EngineTest, ExpressionsComputeAsTheOldEngineDid) {
  b_.values["empty"] = Value();
  const std::pair<const char*, Value> cases[] = {
      {"1 + 2 * 3", Value::Integer(7)},
      {"(1 + 2) * 3", Value::Integer(9)},
      {"10 - 4 - 3", Value::Integer(3)},
      {"-2 * -3", Value::Integer(6)},
      {"7 / 2", Value::Double(3.5)},
      {"1 + 2 & 3 * 4", Value::String("312")},  // & binds loosest
      {"\"1\" + \"2\"", Value::String("12")},   // + joins two texts but adds a number
      {"\"1\" + 2", Value::Double(3)},
      {"\"a\" & True", Value::String("aTrue")},
      {"32767 + 1", Value::Long(32768)},
      {"2147483647 + 1", Value::Double(2147483648.0)},
      {"-32768", Value::Long(-32768)},  // the literal 32768 is already a Long
      {"&HFFFF", Value::Integer(-1)},
      {"&hffff&", Value::Long(65535)},
      {"&HFFFFFFFF", Value::Long(-1)},
      {"\"say \"\"hi\"\"\"", Value::String("say \"hi\"")},
      {"RGB(255, 128, 0)", Value::Long(255 + 128 * 256)},
      {"rgb(0, 0, 300)", Value::Long(255 * 65536)},
      {"Chr(65) & chr(128) & Chr(233)", Value::String("A€é")},  // Windows-1252
      {"ChrW(&H263A) & ChrW(12354)", Value::String("☺あ")},
      {"CStr(3.0) & CStr(True)", Value::String("3True")},
      {"CInt(\"2.5\") + CInt(\"3.5\")", Value::Integer(6)},
      {"CBool(\"false\")", Value::Boolean(false)},
      {"CStr(9.75) & \" \" & CStr(0.1 + 0.2)", Value::String("9.75 0.3")},  // 15 digits
      {"CDbl(\" 12 \") + CDbl(\"-1.5E3\")", Value::Double(-1488)},
      {"CDbl(\"&H00FF00&\") + CDbl(\"&H0000FFFF\")", Value::Double(65280 + 65535)},
      {"CDbl(\"&HFFFF\")", Value::Double(-1)},  // four hex digits are a 16-bit Integer
      {"CInt(2.5) & CInt(3.5) & CInt(-2.5) & CInt(0.5)", Value::String("24-20")},  // half to even
      {"CLng(\"-2147483648\")", Value::Long(-2147483647 - 1)},
      {"CBool(\"True\") & CBool(\" true \") & CBool(\"-1\") & CBool(\"2.5\")",
       Value::String("TrueTrueTrueTrue")},
      {"CBool(\"fALSE\") Or CBool(\"0\") Or CBool(0)", Value::Boolean(false)},
      {"lblB.Empty & CBool(lblB.Empty) & CDbl(lblB.Empty)", Value::String("False0")},
      {"vbCrLf", Value::String("\r\n")},
      {"-3 ^ 2", Value::Double(9)},  // the sign binds tighter than ^
      {"2 ^ 3 ^ 2", Value::Double(64)},
      {"2 * 3 ^ -1", Value::Double(2.0 / 3)},
      {"7 \\ 2 * 2", Value::Integer(1)},
      {"10 \\ 3 Mod 2", Value::Integer(1)},
      {"7 Mod 4 + 2", Value::Integer(5)},
      {"(1 <> 1) & (2 <= 2) & (1 >= 2) & (2 => 3)", Value::String("FalseTrueFalseFalse")},
      {"True Xor True Or True", Value::Boolean(false)},
      {"12 Imp 10 Eqv 6", Value::Integer(-13)},
      {"7.5 \\ 2", Value::Long(4)},  // operands rounded half to even
      {"2.5 Mod 3", Value::Long(2)},
      {"-7 Mod 3", Value::Integer(-1)},
      {"\"9\" Mod 4", Value::Long(1)},
      {"\"05\" = CInt(5)", Value::Boolean(false)},   // a literal text compares as text
      {"CStr(5) = CInt(5)", Value::Boolean(false)},  // computed: the text is greater
      {"5 And 3", Value::Integer(1)},
      {"&HFF& And 12", Value::Long(12)},
      {"1.5 Or 0", Value::Long(2)},
      {"True And 3", Value::Integer(3)},
      {"Not 0", Value::Integer(-1)},
      {"Not True", Value::Boolean(false)},
      {"Not \"2\"", Value::Long(-3)},
      {"UCase(\"é-x\") & LCase(\"ÀB\")", Value::String("É-Xàb")},
      {"Len(\"héllo\")", Value::Long(5)},
      {"Len(-1.5)", Value::Long(4)},
      {"Left(\"héllo\", 2) & Right(\"héllo\", 3) & Left(\"ab\", 9)", Value::String("hélloab")},
      {"Mid(\"héllo\", 2, 2) & Mid(\"héllo\", 4) & Mid(\"ab\", 9)", Value::String("éllo")},
      {"Trim(\"  a \") & LTrim(\" a \") & RTrim(\" a\" & vbTab & \" \")", Value::String("aa  a\t")},
      {"Replace(\"aXbxc\", \"x\", \"-\")", Value::String("aXb-c")},
      {"Replace(\"aXbxc\", \"x\", \"-\", 2, -1, 1)", Value::String("-b-c")},
      {"Replace(\"aaa\", \"a\", \"b\", 1, 2)", Value::String("bba")},
      {"InStr(\"héllo\", \"l\")", Value::Long(3)},
      {"InStr(4, \"héllo\", \"l\")", Value::Long(4)},
      {"InStr(1, \"ABC\", \"b\", 1) & InStr(\"ABC\", \"b\") & InStr(\"a\", \"\")",
       Value::String("201")},
      {"Space(2) & String(2, \"xy\") & String(2, 321)", Value::String("  xxAA")}};
  for (const auto& [expression, expected] : cases) {
    EXPECT_EQ(Eval(expression), expected) << expression;
  }
  // True is -1; texts compare by character codes, but with a literal number
  // a text is read as a number.
  for (const char* truth :
       {"\"a\" & 1 + 2 = \"a3\"", "Not 1 = 2", "1 = 1 < 0", "True Or False And False",
        "\"10\" < \"9\"", "\"B\" < \"a\"", "CStr(5) = 5", "\"5\" = CInt(5)", "CStr(\"x\") > 1E300",
        "\"true\" Or False"}) {
    EXPECT_EQ(Eval(truth), Value::Boolean(true)) << truth;
  }
  Run("lblA.Move 1 = 1, 2, 3, 4");
  EXPECT_EQ(a_.calls.at(0).at(0), Value::Boolean(true)) << "= in an argument compares";
}

TEST_F(EngineTest, ExpressionsFailAsTheOldEngineDid) {
  // By the messages that carry the old engine's error numbers.
  const std::pair<const char*, std::vector<const char*>> cases[] = {
      {"Invalid procedure call or argument",  // 5
       {"(-8) ^ (1 / 3)", "Left(\"x\", -1)", "Mid(\"x\", 0)", "Mid(\"x\", 1, -1)",
        "String(-1, \"a\")", "String(2, \"\")", "String(2, -1)", "Space(-1)",
        "Replace(\"a\", \"a\", \"b\", 0)", "Replace(\"a\", \"a\", \"b\", 1, -2)",
        "InStr(1, \"a\", \"b\", 2)", "InStr(0, \"a\", \"a\")"}},
      {"Overflow",  // 6
       {"CInt(40000)", "CLng(-2147483647 - 1) \\ -1", "3E9 Mod 2", "10 ^ 400",
        "CDbl(\"&H123456789\")", "CInt(\"32767.5\")", "CInt(-32769)", "CLng(2147483648)"}},
      {"Division by zero", {"5 Mod 0", "5 \\ 0.4"}},  // 11; 0.4 rounds to 0
      {"Type mismatch",                               // 13
       {"\"abc\" * 2", "\"a\" + 1", "\"x\" Mod 2", "Not \"yes\"", "\"yes\" Or 1",
        "Right(\"x\", \"a\")", "CDbl(\"\")", "CDbl(\"12abc\")", "CDbl(\"1 2\")", "CDbl(\"inf\")",
        "CDbl(\"nan\")", "CDbl(\"&H\")", "CDbl(\"--5\")", "CDbl(\".\")", "CLng(\"abc\")",
        "CBool(\"yes\")"}},
      {"Out of string space",  // 14
       {"Space(2000000)", "Space(600000) & Space(600000)",
        "Replace(String(1000, 97), \"a\", Space(1100))"}},
      {"Object required", {"1 Is 1"}},                             // 424
      {"Wrong number of arguments", {"RGB(1, 2)", "Mid(\"a\")"}},  // 450
      {"Syntax error", {"1 + Not 0", "Mod"}}};                     // 1002
  for (const auto& [message, expressions] : cases) {
    for (const char* expression : expressions) {
      EXPECT_TRUE(Fails("lblA.Raw = " + std::string(expression)).starts_with(message))
          << expression;
    }
  }
  EXPECT_EQ(a_.values.count("raw"), 0u);
}

TEST_F(EngineTest, StatementFormsNamesInAnyCaseCommentsSeparatorsAndRegistration) {
  Run("LBLB.CAPTION = lbla.caption & \"!\" : lblB.Left = lblA.Left + 100");
  EXPECT_EQ(b_.values["caption"], Value::String("start!")) << "values are read back";
  EXPECT_EQ(b_.values["left"], Value::Long(200));
  for (const char* statement :
       {"lblA.Move 1, 2, 3, 4", "lblA.Move(1, 2, 3, 4)", "Call lblA.Move(1, 2, 3, 4)",
        "lblA.Move (1), 2, 3, 4", "call LBLA.move(1, 2, 3, 4) ' trailing comment"}) {
    a_.calls.clear();
    Run(statement);
    ASSERT_EQ(a_.calls.size(), 1u) << statement;
    EXPECT_EQ(a_.calls[0], (std::vector<Value>{Value::Integer(1), Value::Integer(2),
                                               Value::Integer(3), Value::Integer(4)}))
        << statement;
  }
  Run("lblA.Caption = \"it's: here\" : lblB.Caption = \"x\" ' comment: lblB.Caption = 1");
  EXPECT_EQ(a_.values["caption"], Value::String("it's: here")) << "' and : inside a string";
  EXPECT_EQ(b_.values["caption"], Value::String("x"));
  Run("");
  Run("' only a comment");

  Probe other;
  EXPECT_FALSE(engine_.AddObject("LBLA", other)) << "first registration wins";
  EXPECT_EQ(engine_.FindObject("lbla"), &a_);
  engine_.Reset();
  EXPECT_EQ(engine_.ObjectCount(), 0u);
  EXPECT_EQ(Fails("lblA.Caption = 1"), "Object required: 'lblA'");
}

TEST_F(EngineTest, FailingStatementChangesNothing) {
  EXPECT_EQ(Fails("lblNope.Caption = \"x\""), "Object required: 'lblNope'");
  EXPECT_EQ(Fails("lblA.Raw = lblA.Nope"), "no property Nope") << "the object's own message";
  EXPECT_EQ(Fails("lblA.Move 1, 2, 3, 1 / 0"), "Division by zero") << "arguments come first";
  EXPECT_EQ(Fails("Call lblA.Move 1, 2"), "Syntax error at column 16") << "Call needs parentheses";
  EXPECT_EQ(Fails("lblA.Caption = \"x\" +"), "Syntax error at column 21");
  EXPECT_EQ(Fails("lblA.Caption = \"x"), "Unterminated string constant at column 16");
  EXPECT_EQ(Fails("lblA.Caption = \"é\" # 1"), "Invalid character at column 20")
      << "columns count characters, not bytes";
  EXPECT_EQ(Fails("lblA.Caption = &H123456789"), "Overflow at column 16");
  EXPECT_EQ(Fails("lblA.Caption = \"x\" : lblB.Caption = ("), "Syntax error at column 38")
      << "a syntax error anywhere runs nothing";
  EXPECT_EQ(Fails("lblA.Caption(1) = 2"), "Syntax error at column 17");
  EXPECT_EQ(Fails("lblA.Raw = Hello"), "Variable is undefined: 'Hello'");
  EXPECT_EQ(Fails("lblA.Raw = Chr(256)"), "Invalid procedure call or argument: 'Chr'");
  EXPECT_EQ(Fails("lblA.Raw = Nonsense(1)"), "Sub or function not defined: 'Nonsense'");
  EXPECT_EQ(a_.values["caption"], Value::String("start"));
  EXPECT_TRUE(a_.calls.empty());
  EXPECT_TRUE(b_.values.empty());

  // A run-time error keeps the statements of the line before it.
  EXPECT_EQ(Fails("lblB.Caption = \"x\" : lblNope.Caption = \"y\" : lblA.Caption = \"z\""),
            "Object required: 'lblNope'");
  EXPECT_EQ(b_.values["caption"], Value::String("x"));
  EXPECT_EQ(a_.values["caption"], Value::String("start"));
}

TEST_F(EngineTest, InputIsBounded) {
  std::string huge = "lblA.Caption = \"" + std::string(Engine::kMaxStatementBytes, 'x') + "\"";
  EXPECT_TRUE(Fails(huge).starts_with("Statement too long"));

  auto nested = [](int depth) {
    return "lblA.Raw = " + std::string(depth, '(') + "1" + std::string(depth, ')');
  };
  Run(nested(50));
  EXPECT_TRUE(Fails(nested(5000)).starts_with("Expression nested too deeply"));
  EXPECT_TRUE(Fails("lblA.Raw = " + std::string(5000, '-') + "1")
                  .starts_with("Expression nested too deeply"));
  EXPECT_EQ(a_.values["raw"], Value::Integer(1));
}

}  // namespace
}  // namespace pavane::vbscript
