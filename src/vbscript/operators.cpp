#include "vbscript/operators.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

bool ApplyBinary(BinaryOperator op, const Value& left, const Value& right, Value& result,
                 std::string& error) {
  if (op == BinaryOperator::kConcatenate) {
    result = Value::String(ToString(left) + ToString(right));
    return true;
  }
  if (op == BinaryOperator::kAdd) {
    // "+" is a concatenation when no side is a number: two strings, or a
    // string and Empty.
    bool leftText = left.IsString() || left.IsEmpty();
    bool rightText = right.IsString() || right.IsEmpty();
    if (leftText && rightText && (left.IsString() || right.IsString())) {
      result = Value::String(ToString(left) + ToString(right));
      return true;
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
    case BinaryOperator::kDivide:
      if (b == 0) {
        error = "Division by zero";
        return false;
      }
      return Narrow(a / b, Rank::kDouble, result, error);
    case BinaryOperator::kConcatenate:
      break;
  }
  return false;
}

bool Negate(const Value& operand, Value& result, std::string& error) {
  double number = 0;
  if (!ToDouble(operand, number, error)) {
    return false;
  }
  return Narrow(-number, RankOf(operand), result, error);
}

}  // namespace pavane::vbscript
