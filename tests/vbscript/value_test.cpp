#include "vbscript/value.h"

#include <gtest/gtest.h>

namespace pavane::vbscript {
namespace {

double AsDouble(const Value& value) {
  double number = 0;
  std::string error;
  EXPECT_TRUE(ToDouble(value, number, error)) << error;
  return number;
}

TEST(Value, TextOfValuesAsCStrWritesThem) {
  EXPECT_EQ(ToString(Value()), "");
  EXPECT_EQ(ToString(Value::Double(9.75)), "9.75");
  EXPECT_EQ(ToString(Value::Double(0.1 + 0.2)), "0.3") << "15 significant digits";
}

TEST(Value, NumericStringsConvertLikeTheOldLanguage) {
  EXPECT_EQ(AsDouble(Value::String(" 12 ")), 12) << "blanks around";
  EXPECT_EQ(AsDouble(Value::String("-1.5E3")), -1500);
  EXPECT_EQ(AsDouble(Value::String("&H00FF00&")), 65280);
  EXPECT_EQ(AsDouble(Value::String("&HFFFF")), -1) << "four hex digits are a 16-bit Integer";
  EXPECT_EQ(AsDouble(Value::String("&H0000FFFF")), 65535) << "eight digits are a Long";

  double number = 0;
  std::string error;
  for (const char* text : {"abc", "", "12abc", "1 2", "inf", "nan", "&H", "--5", "."}) {
    error.clear();
    EXPECT_FALSE(ToDouble(Value::String(text), number, error)) << text;
    EXPECT_TRUE(error.starts_with("Type mismatch")) << text << ": " << error;
  }
  EXPECT_FALSE(ToDouble(Value::String("&H123456789"), number, error));
  EXPECT_TRUE(error.starts_with("Overflow")) << error;
}

TEST(Value, WholeNumberConversionsRoundHalvesToEvenAndCheckRange) {
  std::int16_t integer = 0;
  std::int32_t longValue = 0;
  std::string error;
  for (const auto& [input, expected] :
       std::vector<std::pair<double, int>>{{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}}) {
    ASSERT_TRUE(ToInteger(Value::Double(input), integer, error)) << input;
    EXPECT_EQ(integer, expected) << input;
  }
  EXPECT_FALSE(ToInteger(Value::String("32767.5"), integer, error)) << "rounds to 32768";
  EXPECT_TRUE(error.starts_with("Overflow")) << error;
  EXPECT_FALSE(ToInteger(Value::Long(-32769), integer, error));

  ASSERT_TRUE(ToLong(Value::String("-2147483648"), longValue, error));
  EXPECT_EQ(longValue, -2147483647 - 1);
  EXPECT_FALSE(ToLong(Value::Double(2147483648.0), longValue, error));
  EXPECT_FALSE(ToLong(Value::String("abc"), longValue, error));
  EXPECT_EQ(error, "Type mismatch: \"abc\"");
}

TEST(Value, BooleansFromTextAndNumbers) {
  bool flag = false;
  std::string error;
  const std::pair<Value, bool> cases[] = {
      {Value::String("True"), true},   {Value::String("fALSE"), false},
      {Value::String(" true "), true}, {Value::String("0"), false},
      {Value::String("-1"), true},     {Value::String("2.5"), true},
      {Value::Integer(0), false},      {Value(), false}};
  for (const auto& [input, expected] : cases) {
    ASSERT_TRUE(ToBoolean(input, flag, error)) << ToString(input);
    EXPECT_EQ(flag, expected) << ToString(input);
  }
  EXPECT_FALSE(ToBoolean(Value::String("yes"), flag, error));
  EXPECT_TRUE(error.starts_with("Type mismatch")) << error;
}

}  // namespace
}  // namespace pavane::vbscript
