// The functions that statements may call: Chr, ChrW, RGB, the conversions
// CStr, CInt, CLng, CDbl and CBool, and the text functions (UCase, Left,
// Replace, InStr, ...).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "vbscript/value.h"

namespace pavane::vbscript {

// `name` in lower case.
bool IsBuiltinFunction(std::string_view name);

// Fails on a wrong argument count and on arguments out of the function's
// range ("Invalid procedure call or argument: 'Chr'").
bool CallBuiltinFunction(std::string_view name, std::span<const Value> arguments, Value& result,
                         std::string& error);

// The message of error 5, for an argument out of the function's range.
std::string InvalidCallError(std::string_view function);

// The named constants (vbCrLf, vbCr, vbLf, vbTab, True, False); `name` in
// lower case. False when there is none of that name.
bool LookUpConstant(std::string_view name, Value& value);

}  // namespace pavane::vbscript
