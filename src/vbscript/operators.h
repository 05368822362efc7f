// The operators of statements, with the old language's typing: "+" joins two
// strings but adds a string to a number; whole-number results stay Integer or
// Long while they fit and widen when they do not; "\" and Mod work on whole
// numbers, "^" on Doubles; the comparisons give Booleans; Not, And, Or, Xor,
// Eqv and Imp are logical on Booleans and bitwise on numbers.
#pragma once

#include <string>

#include "vbscript/value.h"

namespace pavane::vbscript {

enum class BinaryOperator {
  kConcatenate,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kIntegerDivide,
  kModulo,
  kPower,
  kEqual,
  kNotEqual,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kIs,
  kAnd,
  kOr,
  kXor,
  kEqv,
  kImp,
};

// A computed value, and whether the statement wrote it down as it is ("5",
// "abc", True, vbCrLf). The old engine kept such a value's type when it was
// compared with a value of the other kind: a number written in the
// statement compares with a numeric string as a number, a text written in it
// compares with a number as text; two computed values of different kinds are
// never equal, the string counting as the greater.
struct Operand {
  Value value;
  bool literal = false;
};

bool ApplyBinary(BinaryOperator op, const Operand& left, const Operand& right, Value& result,
                 std::string& error);
bool Negate(const Value& operand, Value& result, std::string& error);
bool Not(const Value& operand, Value& result, std::string& error);

}  // namespace pavane::vbscript
