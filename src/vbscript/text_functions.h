// The text functions that statements may call: UCase, LCase, Len, Left,
// Right, Mid, Trim, LTrim, RTrim, Replace, InStr, Space and String.
//
// Texts are UTF-8 here, where the old engine had UTF-16: lengths and
// positions count characters (code points), so that Len("é") is 1 and
// Mid never cuts a character apart. A byte that is no part of a well-formed
// UTF-8 sequence counts as one character, as everywhere else in the program.
// Each function takes the arguments CallBuiltinFunction has counted.
#pragma once

#include <span>
#include <string>

#include "vbscript/value.h"

namespace pavane::vbscript {

bool UCase(std::span<const Value> arguments, Value& result, std::string& error);
bool LCase(std::span<const Value> arguments, Value& result, std::string& error);
bool Len(std::span<const Value> arguments, Value& result, std::string& error);
bool Left(std::span<const Value> arguments, Value& result, std::string& error);
bool Right(std::span<const Value> arguments, Value& result, std::string& error);
bool Mid(std::span<const Value> arguments, Value& result, std::string& error);
bool Trim(std::span<const Value> arguments, Value& result, std::string& error);
bool LTrim(std::span<const Value> arguments, Value& result, std::string& error);
bool RTrim(std::span<const Value> arguments, Value& result, std::string& error);
// Replace(text, find, with[, start[, count[, compare]]]); compare 0 is
// binary, 1 ignores letter case.
bool Replace(std::span<const Value> arguments, Value& result, std::string& error);
// InStr([start, ]text, find[, compare])
bool InStr(std::span<const Value> arguments, Value& result, std::string& error);
bool Space(std::span<const Value> arguments, Value& result, std::string& error);
// String(count, character): the first character of a text, or a character
// code as Chr takes it (taken modulo 256).
bool String(std::span<const Value> arguments, Value& result, std::string& error);

}  // namespace pavane::vbscript
