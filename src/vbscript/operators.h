// The arithmetic and text operators of statements, with the old language's
// typing: "+" joins two strings but adds a string to a number; whole-number
// results stay Integer or Long while they fit and widen when they do not.
#pragma once

#include <string>

#include "vbscript/value.h"

namespace pavane::vbscript {

enum class BinaryOperator { kConcatenate, kAdd, kSubtract, kMultiply, kDivide };

bool ApplyBinary(BinaryOperator op, const Value& left, const Value& right, Value& result,
                 std::string& error);
bool Negate(const Value& operand, Value& result, std::string& error);

}  // namespace pavane::vbscript
