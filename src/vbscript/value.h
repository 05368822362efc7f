// The values that language statements compute with, and the conversions
// between them. They follow the old script language, because translators
// wrote their statements against it: every value arriving at a property is
// typically a string ("300", "True", "&HFF") that the property converts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pavane::vbscript {

// The longest text a statement may compute. Statements themselves are
// bounded, but String(), Space(), Replace() and "&" could still multiply a
// short statement into any amount of memory; beyond this they fail with "Out
// of string space", as the old engine did when memory ran out.
inline constexpr std::size_t kMaxTextBytes = 1024 * 1024;

enum class ValueType { kEmpty, kBoolean, kInteger, kLong, kDouble, kString };

class Value {
 public:
  Value() = default;  // Empty

  static Value Boolean(bool value) { return Value(ValueType::kBoolean, value ? 1 : 0, 0, {}); }
  static Value Integer(std::int16_t value) { return Value(ValueType::kInteger, value, 0, {}); }
  static Value Long(std::int32_t value) { return Value(ValueType::kLong, value, 0, {}); }
  static Value Double(double value) { return Value(ValueType::kDouble, 0, value, {}); }
  static Value String(std::string value) {
    return Value(ValueType::kString, 0, 0, std::move(value));
  }

  ValueType Type() const { return type_; }
  bool IsEmpty() const { return type_ == ValueType::kEmpty; }
  bool IsString() const { return type_ == ValueType::kString; }
  bool IsNumeric() const;  // Integer, Long or Double

  // Raw contents; meaningful only for a value of that type.
  bool BooleanValue() const { return whole_ != 0; }
  std::int16_t IntegerValue() const { return static_cast<std::int16_t>(whole_); }
  std::int32_t LongValue() const { return whole_; }
  double DoubleValue() const { return real_; }
  const std::string& StringValue() const { return text_; }

  friend bool operator==(const Value&, const Value&) = default;

 private:
  // Plain members rather than a std::variant: the variant's string
  // alternative sets off false "maybe uninitialized" warnings in GCC 12 with
  // the sanitizers on, and a value is small either way.
  Value(ValueType type, std::int32_t whole, double real, std::string text)
      : type_(type), whole_(whole), real_(real), text_(std::move(text)) {}

  ValueType type_ = ValueType::kEmpty;
  std::int32_t whole_ = 0;  // Boolean (0 or 1), Integer, Long
  double real_ = 0;
  std::string text_;
};

// CStr: Empty is "", Booleans are "True"/"False", numbers have no trailing
// zeros and at most 15 significant digits ("9.75", "1E+20").
std::string ToString(const Value& value);

// The numeric conversions fail with "Type mismatch" for a string that is not
// a number and with "Overflow" for a value outside the target range. Numeric
// strings may carry blanks around them, a sign, a decimal point, an exponent,
// or be hex ("&HFF", "&H00FF00&") with the same 16/32-bit rules as hex
// literals in statements. True counts as -1.
bool ToDouble(const Value& value, double& result, std::string& error);
// CInt and CLng round halves to even, as the old language did (2.5 -> 2).
bool ToInteger(const Value& value, std::int16_t& result, std::string& error);
bool ToLong(const Value& value, std::int32_t& result, std::string& error);
// CBool: "True"/"False" in any letter case, or any numeric value/string
// (nonzero is True).
bool ToBoolean(const Value& value, bool& result, std::string& error);

// Reads a hex number written as the language writes it: "&H" and 1 to 8 hex
// digits, optionally followed by "&". Up to four digits without the trailing
// "&" make a 16-bit Integer (so &HFFFF is -1); otherwise a 32-bit Long (so
// &HFFFFFFFF is -1). `text` starts at the "&". Returns the number of
// characters read, 0 when the text is no hex number; `overflow` is set for
// more than eight digits.
std::size_t ReadHexNumber(std::string_view text, Value& result, bool& overflow);

}  // namespace pavane::vbscript
