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

// A registered object with one property of each kind of coercion: Raw keeps
// whatever the statement computed (to see the expression's own type), Left
// takes a Long, Caption a String. Its Font member and Move method behave as
// the screens' controls do.
class Probe : public ScriptObject {
 public:
  explicit Probe(std::string name) : name_(std::move(name)) {}

  bool GetProperty(std::string_view name, Value& value, std::string& error) const override {
    auto found = values.find(LowerCaseName(name));
    if (found == values.end()) {
      error = "no property " + std::string(name);
      return false;
    }
    value = found->second;
    return true;
  }

  bool SetProperty(std::string_view name, const Value& value, std::string& error) override {
    std::string key = LowerCaseName(name);
    if (key == "raw") {
      values[key] = value;
    } else if (key == "caption") {
      values[key] = Value::String(ToString(value));
    } else if (key == "left") {
      std::int32_t number = 0;
      if (!ToLong(value, number, error)) return false;
      values[key] = Value::Long(number);
    } else {
      error = "Object doesn't support this property or method: '" + name_ + "." +
              std::string(name) + "'";
      return false;
    }
    return true;
  }

  ScriptObject* GetMember(std::string_view name) override {
    return SameName(name, "Font") && font_ != nullptr ? font_ : nullptr;
  }

  bool CallMethod(std::string_view name, std::span<const Value> arguments,
                  std::string& error) override {
    if (!SameName(name, "Move")) return ScriptObject::CallMethod(name, arguments, error);
    calls.emplace_back(arguments.begin(), arguments.end());
    return true;
  }

  void SetFont(ScriptObject& font) { font_ = &font; }

  std::map<std::string, Value> values;
  std::vector<std::vector<Value>> calls;

 private:
  std::string name_;
  ScriptObject* font_ = nullptr;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    engine_.AddObject("lblA", a_);
    engine_.AddObject("lblB", b_);
    a_.SetFont(font_);
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

  std::string Fails(std::string_view statement) {
    std::string error;
    EXPECT_FALSE(engine_.ExecuteStatement(statement, error)) << statement;
    EXPECT_FALSE(error.empty()) << statement;
    return error;
  }

  Engine engine_;
  Probe a_{"lblA"};
  Probe b_{"lblB"};
  Probe font_{"lblA.Font"};
};

TEST_F(EngineTest, OperatorsFollowTheUsualPrecedence) {
  EXPECT_EQ(Eval("1 + 2 * 3"), Value::Integer(7));
  EXPECT_EQ(Eval("(1 + 2) * 3"), Value::Integer(9));
  EXPECT_EQ(Eval("10 - 4 - 3"), Value::Integer(3)) << "left to right";
  EXPECT_EQ(Eval("-2 * -3"), Value::Integer(6));
  EXPECT_EQ(Eval("7 / 2"), Value::Double(3.5)) << "division gives a Double";
  EXPECT_EQ(Eval("1 + 2 & 3 * 4"), Value::String("312")) << "& binds loosest";
}

TEST_F(EngineTest, PlusJoinsStringsButAddsNumbers) {
  EXPECT_EQ(Eval("\"1\" + \"2\""), Value::String("12"));
  EXPECT_EQ(Eval("\"1\" + 2"), Value::Double(3));
  EXPECT_EQ(Eval("\"a\" & True"), Value::String("aTrue"));
  EXPECT_EQ(Eval("32767 + 1"), Value::Long(32768)) << "Integer widens to Long";
  EXPECT_EQ(Eval("2147483647 + 1"), Value::Double(2147483648.0)) << "Long widens to Double";
  EXPECT_EQ(Eval("-32768"), Value::Long(-32768)) << "literal 32768 is already a Long";
  EXPECT_NE(Fails("lblA.Raw = \"a\" + 1").find("Type mismatch"), std::string::npos);
}

TEST_F(EngineTest, LiteralsAndFunctions) {
  EXPECT_EQ(Eval("&HFFFF"), Value::Integer(-1));
  EXPECT_EQ(Eval("&hffff&"), Value::Long(65535));
  EXPECT_EQ(Eval("&HFFFFFFFF"), Value::Long(-1));
  EXPECT_EQ(Eval("\"say \"\"hi\"\"\""), Value::String("say \"hi\"")) << "doubled quotes";
  EXPECT_EQ(Eval("RGB(255, 128, 0)"), Value::Long(255 + 128 * 256));
  EXPECT_EQ(Eval("rgb(0, 0, 300)"), Value::Long(255 * 65536)) << "components stop at 255";
  EXPECT_EQ(Eval("Chr(65) & chr(128) & Chr(233)"), Value::String("A€é")) << "Windows-1252";
  EXPECT_EQ(Eval("ChrW(&H263A) & ChrW(12354)"), Value::String("☺あ"));
  EXPECT_EQ(Eval("CStr(3.0) & CStr(True)"), Value::String("3True"));
  EXPECT_EQ(Eval("CInt(\"2.5\") + CInt(\"3.5\")"), Value::Integer(6));
  EXPECT_EQ(Eval("CBool(\"false\")"), Value::Boolean(false));
  EXPECT_EQ(Eval("vbCrLf"), Value::String("\r\n"));

  EXPECT_NE(Fails("lblA.Raw = Chr(256)").find("'Chr'"), std::string::npos);
  EXPECT_NE(Fails("lblA.Raw = CInt(40000)").find("Overflow"), std::string::npos);
  EXPECT_NE(Fails("lblA.Raw = RGB(1, 2)").find("Wrong number of arguments"), std::string::npos);
  EXPECT_NE(Fails("lblA.Raw = Nonsense(1)").find("'Nonsense'"), std::string::npos);
  EXPECT_NE(Fails("lblA.Raw = Hello").find("Variable is undefined: 'Hello'"), std::string::npos);
}

TEST_F(EngineTest, OperatorsAndTextFunctionsComputeAsTheOldEngineDid) {
  const std::pair<const char*, Value> cases[] = {
      {"-3 ^ 2", Value::Double(9)},  // the sign binds tighter than ^
      {"2 ^ 3 ^ 2", Value::Double(64)},
      {"2 * 3 ^ -1", Value::Double(2.0 / 3)},
      {"7 \\ 2 * 2", Value::Integer(1)},
      {"10 \\ 3 Mod 2", Value::Integer(1)},
      {"7 Mod 4 + 2", Value::Integer(5)},
      {"\"a\" & 1 + 2 = \"a3\"", Value::Boolean(true)},
      {"Not 1 = 2", Value::Boolean(true)},
      {"1 = 1 < 0", Value::Boolean(true)},  // True is -1
      {"(1 <> 1) & (2 <= 2) & (1 >= 2) & (2 => 3)", Value::String("FalseTrueFalseFalse")},
      {"True Or False And False", Value::Boolean(true)},
      {"True Xor True Or True", Value::Boolean(false)},
      {"12 Imp 10 Eqv 6", Value::Integer(-13)},
      {"7.5 \\ 2", Value::Long(4)},  // operands rounded half to even
      {"2.5 Mod 3", Value::Long(2)},
      {"-7 Mod 3", Value::Integer(-1)},
      {"\"9\" Mod 4", Value::Long(1)},
      {"\"10\" < \"9\"", Value::Boolean(true)},  // texts compare by character codes
      {"\"B\" < \"a\"", Value::Boolean(true)},
      {"CStr(5) = 5", Value::Boolean(true)},        // a literal number reads the text as a number
      {"\"05\" = CInt(5)", Value::Boolean(false)},  // a literal text compares as text
      {"\"5\" = CInt(5)", Value::Boolean(true)},
      {"CStr(5) = CInt(5)", Value::Boolean(false)},  // computed: the text is greater
      {"CStr(\"x\") > 1E300", Value::Boolean(true)},
      {"5 And 3", Value::Integer(1)},
      {"&HFF& And 12", Value::Long(12)},
      {"1.5 Or 0", Value::Long(2)},
      {"True And 3", Value::Integer(3)},
      {"\"true\" Or False", Value::Boolean(true)},
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
      {"Space(2) & String(2, \"xy\") & String(2, 321)", Value::String("  xxAA")},
  };
  for (const auto& [expression, expected] : cases) {
    EXPECT_EQ(Eval(expression), expected) << expression;
  }
  a_.calls.clear();
  std::string error;
  ASSERT_TRUE(engine_.ExecuteStatement("lblA.Move 1 = 1, 2, 3, 4", error)) << error;
  EXPECT_EQ(a_.calls.at(0).at(0), Value::Boolean(true)) << "= in an argument compares";
}

TEST_F(EngineTest, OperatorsAndTextFunctionsFailAsTheOldEngineDid) {
  // The old engine's error numbers, by the messages that carry them.
  const std::map<int, std::string> messages = {{5, "Invalid procedure call or argument"},
                                               {6, "Overflow"},
                                               {11, "Division by zero"},
                                               {13, "Type mismatch"},
                                               {14, "Out of string space"},
                                               {424, "Object required"},
                                               {450, "Wrong number of arguments"},
                                               {1002, "Syntax error"}};
  const std::pair<const char*, int> cases[] = {
      {"lblA.Left = \"abc\" * 2", 13},
      {"lblA.Left = \"x\" Mod 2", 13},
      {"lblA.Left = Not \"yes\"", 13},
      {"lblA.Left = \"yes\" Or 1", 13},
      {"lblA.Left = 5 Mod 0", 11},
      {"lblA.Left = 5 \\ 0.4", 11},  // 0.4 rounds to 0
      {"lblA.Left = CLng(-2147483647 - 1) \\ -1", 6},
      {"lblA.Left = 3E9 Mod 2", 6},
      {"lblA.Left = 10 ^ 400", 6},
      {"lblA.Left = (-8) ^ (1 / 3)", 5},
      {"lblA.Caption = Left(\"x\", -1)", 5},
      {"lblA.Caption = Right(\"x\", \"a\")", 13},
      {"lblA.Caption = Mid(\"x\", 0)", 5},
      {"lblA.Caption = Mid(\"x\", 1, -1)", 5},
      {"lblA.Caption = String(-1, \"a\")", 5},
      {"lblA.Caption = String(2, \"\")", 5},
      {"lblA.Caption = String(2, -1)", 5},
      {"lblA.Caption = Space(-1)", 5},
      {"lblA.Caption = Replace(\"a\", \"a\", \"b\", 0)", 5},
      {"lblA.Caption = Replace(\"a\", \"a\", \"b\", 1, -2)", 5},
      {"lblA.Caption = InStr(1, \"a\", \"b\", 2)", 5},
      {"lblA.Caption = InStr(0, \"a\", \"a\")", 5},
      {"lblA.Caption = Space(2000000)", 14},
      {"lblA.Caption = Space(600000) & Space(600000)", 14},
      {"lblA.Caption = Replace(String(1000, 97), \"a\", Space(1100))", 14},
      {"lblA.Caption = 1 Is 1", 424},
      {"lblA.Caption = Mid(\"a\")", 450},
      {"lblA.Caption = 1 + Not 0", 1002},
      {"lblA.Caption = Mod", 1002},
      {"lblA.Caption(1) = 2", 1002},
  };
  for (const auto& [statement, number] : cases) {
    EXPECT_TRUE(Fails(statement).starts_with(messages.at(number))) << statement;
  }
  EXPECT_EQ(a_.values["caption"], Value::String("start"));
  EXPECT_EQ(a_.values["left"], Value::Long(100));
}

TEST_F(EngineTest, NamesIgnoreLetterCaseAndValuesAreReadBack) {
  std::string error;
  ASSERT_TRUE(engine_.ExecuteStatement("LBLB.CAPTION = lbla.caption & \"!\"", error)) << error;
  EXPECT_EQ(b_.values["caption"], Value::String("start!"));
  ASSERT_TRUE(engine_.ExecuteStatement("lblB.Left = lblA.Left + 100", error)) << error;
  EXPECT_EQ(b_.values["left"], Value::Long(200));
  ASSERT_TRUE(engine_.ExecuteStatement("lblA.Font.Caption = \"Arial\"", error)) << error;
  EXPECT_EQ(font_.values["caption"], Value::String("Arial"));
  EXPECT_EQ(Eval("lblA.FONT.caption"), Value::String("Arial"));
}

TEST_F(EngineTest, StatementFormsCommentsAndSeparators) {
  std::string error;
  for (const char* statement :
       {"lblA.Move 1, 2, 3, 4", "lblA.Move(1, 2, 3, 4)", "Call lblA.Move(1, 2, 3, 4)",
        "lblA.Move (1), 2, 3, 4", "call LBLA.move(1, 2, 3, 4) ' trailing comment"}) {
    a_.calls.clear();
    ASSERT_TRUE(engine_.ExecuteStatement(statement, error)) << statement << ": " << error;
    ASSERT_EQ(a_.calls.size(), 1u) << statement;
    EXPECT_EQ(a_.calls[0], (std::vector<Value>{Value::Integer(1), Value::Integer(2),
                                               Value::Integer(3), Value::Integer(4)}))
        << statement;
  }
  ASSERT_TRUE(engine_.ExecuteStatement(
      "lblA.Caption = \"it's: here\" : lblB.Caption = \"x\" ' comment: lblB.Caption = 1", error))
      << error;
  EXPECT_EQ(a_.values["caption"], Value::String("it's: here")) << "' and : inside a string";
  EXPECT_EQ(b_.values["caption"], Value::String("x"));
  EXPECT_TRUE(engine_.ExecuteStatement("", error)) << "nothing to do";
  EXPECT_TRUE(engine_.ExecuteStatement("' only a comment", error));
}

TEST_F(EngineTest, FailingStatementChangesNothing) {
  auto unchanged = [&] {
    EXPECT_EQ(a_.values["caption"], Value::String("start"));
    EXPECT_EQ(a_.values["left"], Value::Long(100));
    EXPECT_TRUE(a_.calls.empty());
  };
  EXPECT_EQ(Fails("lblNope.Caption = \"x\""), "Object required: 'lblNope'");
  EXPECT_EQ(Fails("lblA.Nope = 1"), "Object doesn't support this property or method: 'lblA.Nope'");
  EXPECT_EQ(Fails("lblA.Left = \"abc\""), "Type mismatch: \"abc\"");
  EXPECT_EQ(Fails("lblA.Left = 1 / 0"), "Division by zero");
  EXPECT_EQ(Fails("lblA.Move 1, 2, 3, 1 / 0"), "Division by zero") << "arguments come first";
  EXPECT_EQ(Fails("Call lblA.Move 1, 2"), "Syntax error at column 16") << "Call needs parentheses";
  EXPECT_EQ(Fails("lblA.Caption = \"x\" +"), "Syntax error at column 21");
  EXPECT_EQ(Fails("lblA.Caption = \"x"), "Unterminated string constant at column 16");
  EXPECT_EQ(Fails("lblA.Caption = \"é\" # 1"), "Invalid character at column 20")
      << "columns count characters, not bytes";
  EXPECT_EQ(Fails("lblA.Caption = &H123456789"), "Overflow at column 16");
  EXPECT_EQ(Fails("lblA.Caption = \"x\" : lblB.Caption = ("), "Syntax error at column 38")
      << "a syntax error anywhere runs nothing";
  unchanged();
  EXPECT_TRUE(b_.values.empty());
}

TEST_F(EngineTest, RunTimeErrorKeepsEarlierStatementsOfTheLine) {
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
  std::string error;
  EXPECT_TRUE(engine_.ExecuteStatement(nested(50), error)) << error;
  EXPECT_TRUE(Fails(nested(5000)).starts_with("Expression nested too deeply"));
  EXPECT_TRUE(Fails("lblA.Raw = " + std::string(5000, '-') + "1")
                  .starts_with("Expression nested too deeply"));
  EXPECT_EQ(a_.values["raw"], Value::Integer(1));
}

TEST_F(EngineTest, RegistrationAndReset) {
  Probe other("other");
  EXPECT_FALSE(engine_.AddObject("LBLA", other)) << "first registration wins";
  EXPECT_EQ(engine_.FindObject("lbla"), &a_);
  engine_.SetAllowUI(true);
  engine_.Reset();
  EXPECT_EQ(engine_.ObjectCount(), 0u);
  EXPECT_TRUE(engine_.AllowUI());
  EXPECT_EQ(Fails("lblA.Caption = 1"), "Object required: 'lblA'");
}

}  // namespace
}  // namespace pavane::vbscript
