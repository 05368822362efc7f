#include "vbscript/value.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace pavane::vbscript {
namespace {

enum class NumberParse { kOk, kNotNumber, kOverflow };

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

NumberParse ParseNumericString(std::string_view text, double& result) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  if (text.empty()) {
    return NumberParse::kNotNumber;
  }
  if (text.front() == '&') {
    Value hex;
    bool overflow = false;
    std::size_t used = ReadHexNumber(text, hex, overflow);
    if (overflow) {
      return NumberParse::kOverflow;
    }
    if (used == 0 || used != text.size()) {
      return NumberParse::kNotNumber;
    }
    result = hex.Type() == ValueType::kInteger ? hex.IntegerValue() : hex.LongValue();
    return NumberParse::kOk;
  }

  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would also take "inf" and "nan", which are no numbers here;
  // the shape is checked first.
  std::size_t i = 0;
  std::size_t mantissaDigits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    ++i;
    ++mantissaDigits;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) {
    return NumberParse::kNotNumber;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      ++i;
    }
    std::size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
      ++exponentDigits;
    }
    if (exponentDigits == 0) {
      return NumberParse::kNotNumber;
    }
  }
  if (i != text.size()) {
    return NumberParse::kNotNumber;
  }
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    return NumberParse::kOverflow;
  }
  if (ec != std::errc() || end != text.data() + text.size()) {
    return NumberParse::kNotNumber;
  }
  result = negative ? -value : value;
  return NumberParse::kOk;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

bool RoundToRange(const Value& value, double low, double high, double& rounded,
                  std::string& error) {
  double number = 0;
  if (!ToDouble(value, number, error)) {
    return false;
  }
  // The default floating-point rounding mode rounds halves to even, which is
  // what the old CInt/CLng did.
  rounded = std::nearbyint(number);
  if (!std::isfinite(rounded) || rounded < low || rounded > high) {
    error = "Overflow: " + ToString(value);
    return false;
  }
  return true;
}

}  // namespace

bool Value::IsNumeric() const {
  ValueType type = Type();
  return type == ValueType::kInteger || type == ValueType::kLong || type == ValueType::kDouble;
}

std::string ToString(const Value& value) {
  switch (value.Type()) {
    case ValueType::kEmpty:
      return {};
    case ValueType::kBoolean:
      return value.BooleanValue() ? "True" : "False";
    case ValueType::kInteger:
      return std::to_string(value.IntegerValue());
    case ValueType::kLong:
      return std::to_string(value.LongValue());
    case ValueType::kDouble: {
      double number = value.DoubleValue();
      if (number == 0) {
        return "0";  // also for -0
      }
      char buffer[64];
      auto [end, ec] =
          std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 15);
      if (ec != std::errc()) {
        return {};
      }
      std::string text(buffer, end);
      for (char& c : text) {
        if (c == 'e') {
          c = 'E';
        }
      }
      return text;
    }
    case ValueType::kString:
      return value.StringValue();
  }
  return {};
}

bool ToDouble(const Value& value, double& result, std::string& error) {
  switch (value.Type()) {
    case ValueType::kEmpty:
      result = 0;
      return true;
    case ValueType::kBoolean:
      result = value.BooleanValue() ? -1 : 0;
      return true;
    case ValueType::kInteger:
      result = value.IntegerValue();
      return true;
    case ValueType::kLong:
      result = value.LongValue();
      return true;
    case ValueType::kDouble:
      result = value.DoubleValue();
      return true;
    case ValueType::kString:
      switch (ParseNumericString(value.StringValue(), result)) {
        case NumberParse::kOk:
          return true;
        case NumberParse::kOverflow:
          error = "Overflow: " + Quoted(value.StringValue());
          return false;
        case NumberParse::kNotNumber:
          error = "Type mismatch: " + Quoted(value.StringValue());
          return false;
      }
  }
  return false;
}

bool ToInteger(const Value& value, std::int16_t& result, std::string& error) {
  double rounded = 0;
  if (!RoundToRange(value, std::numeric_limits<std::int16_t>::min(),
                    std::numeric_limits<std::int16_t>::max(), rounded, error)) {
    return false;
  }
  result = static_cast<std::int16_t>(rounded);
  return true;
}

bool ToLong(const Value& value, std::int32_t& result, std::string& error) {
  double rounded = 0;
  if (!RoundToRange(value, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), rounded, error)) {
    return false;
  }
  result = static_cast<std::int32_t>(rounded);
  return true;
}

bool ToBoolean(const Value& value, bool& result, std::string& error) {
  if (value.Type() == ValueType::kBoolean) {
    result = value.BooleanValue();
    return true;
  }
  if (value.IsString()) {
    std::string_view text = value.StringValue();
    while (!text.empty() && IsBlank(text.front())) {
      text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
      text.remove_suffix(1);
    }
    std::string lower(text);
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    }
    if (lower == "true" || lower == "false") {
      result = lower == "true";
      return true;
    }
  }
  double number = 0;
  if (!ToDouble(value, number, error)) {
    return false;
  }
  result = number != 0;
  return true;
}

std::size_t ReadHexNumber(std::string_view text, Value& result, bool& overflow) {
  overflow = false;
  if (text.size() < 3 || text[0] != '&' || (text[1] != 'H' && text[1] != 'h') ||
      HexDigit(text[2]) < 0) {
    return 0;
  }
  std::size_t i = 2;
  std::uint64_t number = 0;
  std::size_t digits = 0;
  std::size_t significantDigits = 0;
  while (i < text.size() && HexDigit(text[i]) >= 0) {
    if (number != 0 || HexDigit(text[i]) != 0) {
      ++significantDigits;
    }
    if (significantDigits <= 8) {
      number = number * 16 + static_cast<std::uint64_t>(HexDigit(text[i]));
    }
    ++digits;
    ++i;
  }
  bool longSuffix = i < text.size() && text[i] == '&';
  if (longSuffix) {
    ++i;
  }
  if (significantDigits > 8) {
    overflow = true;
    return i;
  }
  // The digit count, not the value, chooses the type (&H00FF is an Integer,
  // &H0000FFFF a Long), which is how the old parser read them.
  if (digits <= 4 && !longSuffix) {
    result = Value::Integer(static_cast<std::int16_t>(static_cast<std::uint16_t>(number)));
  } else {
    result = Value::Long(static_cast<std::int32_t>(static_cast<std::uint32_t>(number)));
  }
  return i;
}

}  // namespace pavane::vbscript
