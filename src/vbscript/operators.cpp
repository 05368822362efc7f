#include "vbscript/operators.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace pavane::vbscript {
namespace {

// Numeric ranks of the result: an operation is carried out in Double and
// then narrowed to the wider operand type when the result fits there.
enum class Rank { kInteger, kLong, kDouble };

Rank RankOf(const Value& value) {
  switch (value.Type()) {
    case ValueType::kEmpty:
    case ValueType::kBoolean:
    case ValueType::kInteger:
      return Rank::kInteger;
    case ValueType::kLong:
      return Rank::kLong;
    case ValueType::kDouble:
    case ValueType::kString:
      return Rank::kDouble;
  }
  return Rank::kDouble;
}

bool Narrow(double number, Rank rank, Value& result, std::string& error) {
  if (!std::isfinite(number)) {
    error = "Overflow";
    return false;
  }
  if (rank == Rank::kInteger && number >= -32768 && number <= 32767) {
    result = Value::Integer(static_cast<std::int16_t>(number));
  } else if (rank != Rank::kDouble && number >= -2147483648.0 && number <= 2147483647.0) {
    result = Value::Long(static_cast<std::int32_t>(number));
  } else {
    result = Value::Double(number);
  }
  return true;
}

bool Concatenate(const std::string& left, const std::string& right, Value& result,
                 std::string& error) {
  if (left.size() + right.size() > kMaxTextBytes) {
    error = "Out of string space";
    return false;
  }
  result = Value::String(left + right);
  return true;
}

// "\" and Mod round both sides to whole numbers first (halves to even), and
// their result never becomes a Double: it is an Integer when both sides were
// at most Integers, else a Long, or an overflow.
bool WholeArithmetic(BinaryOperator op, const Value& left, const Value& right, Value& result,
                     std::string& error) {
  std::int32_t a = 0;
  std::int32_t b = 0;
  if (!ToLong(left, a, error) || !ToLong(right, b, error)) {
    return false;
  }
  if (b == 0) {
    error = "Division by zero";
    return false;
  }
  // In 64 bits, so that the smallest Long divided by -1 is no undefined
  // behaviour but an overflow.
  const std::int64_t value = op == BinaryOperator::kIntegerDivide
                                 ? std::int64_t{a} / b
                                 : std::int64_t{a} % b;  // takes the sign of the dividend
  const bool integers = RankOf(left) == Rank::kInteger && RankOf(right) == Rank::kInteger;
  if (integers && value >= -32768 && value <= 32767) {
    result = Value::Integer(static_cast<std::int16_t>(value));
  } else if (value >= -2147483648LL && value <= 2147483647LL) {
    result = Value::Long(static_cast<std::int32_t>(value));
  } else {
    error = "Overflow";
    return false;
  }
  return true;
}

bool Power(const Value& left, const Value& right, Value& result, std::string& error) {
  double base = 0;
  double exponent = 0;
  if (!ToDouble(left, base, error) || !ToDouble(right, exponent, error)) {
    return false;
  }
  const double power = std::pow(base, exponent);
  // A negative base with a fractional exponent, or zero to a negative power.
  if (std::isnan(power) || (base == 0 && exponent < 0)) {
    error = "Invalid procedure call or argument: '^'";
    return false;
  }
  return Narrow(power, Rank::kDouble, result, error);
}

int Order(double a, double b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Binary comparison: UTF-8 bytes compare in code point order.
int Order(std::string_view a, std::string_view b) {
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

double NumberOf(const Value& value) {
  double number = 0;
  std::string ignored;
  ToDouble(value, number, ignored);  // cannot fail for anything but a string
  return number;
}

int Compare(const Operand& left, const Operand& right) {
  const Value& a = left.value;
  const Value& b = right.value;
  if (a.IsString() && b.IsString()) {
    return Order(a.StringValue(), b.StringValue());
  }
  if (!a.IsString() && !b.IsString()) {
    return Order(NumberOf(a), NumberOf(b));  // Empty counts as 0, True as -1
  }
  const bool textLeft = a.IsString();
  const Operand& text = textLeft ? left : right;
  const Operand& other = textLeft ? right : left;
  int order = 1;  // text over number, unless a literal says otherwise
  double number = 0;
  std::string ignored;
  if (other.value.IsEmpty()) {
    order = Order(text.value.StringValue(), "");
  } else if (text.literal && !other.literal) {
    order = Order(text.value.StringValue(), ToString(other.value));
  } else if (other.literal && ToDouble(text.value, number, ignored)) {
    order = Order(number, NumberOf(other.value));
  }
  return textLeft ? order : -order;
}

bool Comparison(BinaryOperator op, const Operand& left, const Operand& right, Value& result) {
  const int order = Compare(left, right);
  bool holds = false;
  switch (op) {
    case BinaryOperator::kEqual:
      holds = order == 0;
      break;
    case BinaryOperator::kNotEqual:
      holds = order != 0;
      break;
    case BinaryOperator::kLess:
      holds = order < 0;
      break;
    case BinaryOperator::kGreater:
      holds = order > 0;
      break;
    case BinaryOperator::kLessEqual:
      holds = order <= 0;
      break;
    default:
      holds = order >= 0;
      break;
  }
  result = Value::Boolean(holds);
  return true;
}

// The logical operators' view of a value: Booleans stay Booleans, Empty and
// Integers are Integers, everything else is rounded to a Long. A string is a
// number if it reads as one, else "True" or "False". The result takes the
// wider kind of its two sides (the order here), so only two Booleans give a
// Boolean.
enum class LogicalKind { kBoolean, kInteger, kLong };

bool LogicalOperand(const Value& value, LogicalKind& kind, std::int32_t& bits, std::string& error) {
  switch (value.Type()) {
    case ValueType::kBoolean:
      kind = LogicalKind::kBoolean;
      bits = value.BooleanValue() ? -1 : 0;
      return true;
    case ValueType::kEmpty:
    case ValueType::kInteger:
      kind = LogicalKind::kInteger;
      bits = value.IntegerValue();  // 0 for Empty
      return true;
    case ValueType::kString: {
      double number = 0;
      if (!ToDouble(value, number, error)) {
        bool flag = false;
        if (!error.starts_with("Type mismatch") || !ToBoolean(value, flag, error)) return false;
        kind = LogicalKind::kBoolean;
        bits = flag ? -1 : 0;
        return true;
      }
      break;
    }
    case ValueType::kLong:
    case ValueType::kDouble:
      break;
  }
  kind = LogicalKind::kLong;
  return ToLong(value, bits, error);
}

Value LogicalResult(LogicalKind kind, std::int32_t bits) {
  switch (kind) {
    case LogicalKind::kBoolean:
      return Value::Boolean(bits != 0);
    case LogicalKind::kInteger:
      return Value::Integer(static_cast<std::int16_t>(bits));
    case LogicalKind::kLong:
      break;
  }
  return Value::Long(bits);
}

bool Logical(BinaryOperator op, const Value& left, const Value& right, Value& result,
             std::string& error) {
  LogicalKind leftKind{};
  LogicalKind rightKind{};
  std::int32_t a = 0;
  std::int32_t b = 0;
  if (!LogicalOperand(left, leftKind, a, error) || !LogicalOperand(right, rightKind, b, error)) {
    return false;
  }
  std::int32_t bits = 0;
  switch (op) {
    case BinaryOperator::kAnd:
      bits = a & b;
      break;
    case BinaryOperator::kOr:
      bits = a | b;
      break;
    case BinaryOperator::kXor:
      bits = a ^ b;
      break;
    case BinaryOperator::kEqv:
      bits = ~(a ^ b);
      break;
    default:  // Imp
      bits = ~a | b;
      break;
  }
  // Integer and Boolean bits are sign-extended 16-bit values, so the result
  // of two of them fits an Integer again.
  result = LogicalResult(std::max(leftKind, rightKind), bits);
  return true;
}

}  // namespace

bool ApplyBinary(BinaryOperator op, const Operand& leftOperand, const Operand& rightOperand,
                 Value& result, std::string& error) {
  const Value& left = leftOperand.value;
  const Value& right = rightOperand.value;
  switch (op) {
    case BinaryOperator::kConcatenate:
      return Concatenate(ToString(left), ToString(right), result, error);
    case BinaryOperator::kIntegerDivide:
    case BinaryOperator::kModulo:
      return WholeArithmetic(op, left, right, result, error);
    case BinaryOperator::kPower:
      return Power(left, right, result, error);
    case BinaryOperator::kEqual:
    case BinaryOperator::kNotEqual:
    case BinaryOperator::kLess:
    case BinaryOperator::kGreater:
    case BinaryOperator::kLessEqual:
    case BinaryOperator::kGreaterEqual:
      return Comparison(op, leftOperand, rightOperand, result);
    case BinaryOperator::kIs:
      // Statements have no object values to compare.
      error = "Object required: 'Is'";
      return false;
    case BinaryOperator::kAnd:
    case BinaryOperator::kOr:
    case BinaryOperator::kXor:
    case BinaryOperator::kEqv:
    case BinaryOperator::kImp:
      return Logical(op, left, right, result, error);
    case BinaryOperator::kAdd:
    case BinaryOperator::kSubtract:
    case BinaryOperator::kMultiply:
    case BinaryOperator::kDivide:
      break;
  }
  if (op == BinaryOperator::kAdd) {
    // "+" is a concatenation when no side is a number: two strings, or a
    // string and Empty.
    bool leftText = left.IsString() || left.IsEmpty();
    bool rightText = right.IsString() || right.IsEmpty();
    if (leftText && rightText && (left.IsString() || right.IsString())) {
      return Concatenate(ToString(left), ToString(right), result, error);
    }
  }
  double a = 0;
  double b = 0;
  if (!ToDouble(left, a, error) || !ToDouble(right, b, error)) {
    return false;
  }
  Rank rank = std::max(RankOf(left), RankOf(right));
  switch (op) {
    case BinaryOperator::kAdd:
      return Narrow(a + b, rank, result, error);
    case BinaryOperator::kSubtract:
      return Narrow(a - b, rank, result, error);
    case BinaryOperator::kMultiply:
      return Narrow(a * b, rank, result, error);
    default:  // Divide
      if (b == 0) {
        error = "Division by zero";
        return false;
      }
      return Narrow(a / b, Rank::kDouble, result, error);
  }
}

bool Negate(const Value& operand, Value& result, std::string& error) {
  double number = 0;
  if (!ToDouble(operand, number, error)) {
    return false;
  }
  return Narrow(-number, RankOf(operand), result, error);
}

bool Not(const Value& operand, Value& result, std::string& error) {
  LogicalKind kind{};
  std::int32_t bits = 0;
  if (!LogicalOperand(operand, kind, bits, error)) {
    return false;
  }
  result = LogicalResult(kind, ~bits);
  return true;
}

}  // namespace pavane::vbscript
