#include "vbscript/builtin_functions.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "os/unicode.h"
#include "vbscript/text_functions.h"

namespace pavane::vbscript {
namespace {

// Chr works in the ANSI code page of the machines the language files were
// written for (Windows-1252); its 0x80-0x9F row differs from Latin-1. The
// five unassigned bytes map to the C1 controls of the same number, as the
// Windows conversion does.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool Chr(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t code = 0;
  if (!ToLong(arguments[0], code, error)) {
    return false;
  }
  if (code < 0 || code > 255) {
    error = InvalidCallError("Chr");
    return false;
  }
  char32_t codePoint = static_cast<char32_t>(code);
  if (code >= 0x80 && code <= 0x9F) {
    codePoint = kWindows1252High[static_cast<std::size_t>(code - 0x80)];
  }
  std::string text;
  os::AppendUtf8(text, codePoint);
  result = Value::String(std::move(text));
  return true;
}

bool ChrW(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t code = 0;
  if (!ToLong(arguments[0], code, error)) {
    return false;
  }
  // Negative codes down to -32768 name the upper half of the 16-bit range,
  // as in the old language; beyond 0xFFFF the full Unicode range is allowed
  // because our texts are UTF-8, not UTF-16.
  if (code < 0 && code >= -32768) {
    code += 65536;
  }
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    error = InvalidCallError("ChrW");
    return false;
  }
  std::string text;
  os::AppendUtf8(text, static_cast<char32_t>(code));
  result = Value::String(std::move(text));
  return true;
}

bool Rgb(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t total = 0;
  std::int32_t factor = 1;
  for (const Value& argument : arguments) {
    std::int32_t component = 0;
    if (!ToLong(argument, component, error)) {
      return false;
    }
    if (component < 0) {
      error = InvalidCallError("RGB");
      return false;
    }
    // Components above 255 count as 255, as the old RGB did.
    total += std::min<std::int32_t>(component, 255) * factor;
    factor *= 256;
  }
  result = Value::Long(total);
  return true;
}

bool CStr(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  result = Value::String(ToString(arguments[0]));
  return true;
}

bool CInt(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int16_t number = 0;
  if (!ToInteger(arguments[0], number, error)) {
    return false;
  }
  result = Value::Integer(number);
  return true;
}

bool CLng(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t number = 0;
  if (!ToLong(arguments[0], number, error)) {
    return false;
  }
  result = Value::Long(number);
  return true;
}

bool CDbl(std::span<const Value> arguments, Value& result, std::string& error) {
  double number = 0;
  if (!ToDouble(arguments[0], number, error)) {
    return false;
  }
  result = Value::Double(number);
  return true;
}

bool CBool(std::span<const Value> arguments, Value& result, std::string& error) {
  bool flag = false;
  if (!ToBoolean(arguments[0], flag, error)) {
    return false;
  }
  result = Value::Boolean(flag);
  return true;
}

struct FunctionInfo {
  std::string_view name;       // lower case
  std::string_view shownName;  // as the messages name it
  std::size_t fewestArguments;
  std::size_t mostArguments;
  bool (*call)(std::span<const Value> arguments, Value& result, std::string& error);
};

constexpr FunctionInfo kFunctions[] = {
    {"chr", "Chr", 1, 1, Chr},          {"chrw", "ChrW", 1, 1, ChrW},
    {"rgb", "RGB", 3, 3, Rgb},          {"cstr", "CStr", 1, 1, CStr},
    {"cint", "CInt", 1, 1, CInt},       {"clng", "CLng", 1, 1, CLng},
    {"cdbl", "CDbl", 1, 1, CDbl},       {"cbool", "CBool", 1, 1, CBool},
    {"ucase", "UCase", 1, 1, UCase},    {"lcase", "LCase", 1, 1, LCase},
    {"len", "Len", 1, 1, Len},          {"left", "Left", 2, 2, Left},
    {"right", "Right", 2, 2, Right},    {"mid", "Mid", 2, 3, Mid},
    {"trim", "Trim", 1, 1, Trim},       {"ltrim", "LTrim", 1, 1, LTrim},
    {"rtrim", "RTrim", 1, 1, RTrim},    {"replace", "Replace", 3, 6, Replace},
    {"instr", "InStr", 2, 4, InStr},    {"space", "Space", 1, 1, Space},
    {"string", "String", 2, 2, String},
};

const FunctionInfo* FindFunction(std::string_view name) {
  for (const FunctionInfo& info : kFunctions) {
    if (info.name == name) {
      return &info;
    }
  }
  return nullptr;
}

}  // namespace

std::string InvalidCallError(std::string_view function) {
  return "Invalid procedure call or argument: '" + std::string(function) + "'";
}

bool IsBuiltinFunction(std::string_view name) {
  return FindFunction(name) != nullptr;
}

bool CallBuiltinFunction(std::string_view name, std::span<const Value> arguments, Value& result,
                         std::string& error) {
  const FunctionInfo* info = FindFunction(name);
  if (info == nullptr) {
    error = "Type mismatch: '" + std::string(name) + "'";
    return false;
  }
  if (arguments.size() < info->fewestArguments || arguments.size() > info->mostArguments) {
    error = "Wrong number of arguments or invalid property assignment: '" +
            std::string(info->shownName) + "'";
    return false;
  }
  return info->call(arguments, result, error);
}

bool LookUpConstant(std::string_view name, Value& value) {
  if (name == "true" || name == "false") {
    value = Value::Boolean(name == "true");
  } else if (name == "vbcrlf" || name == "vbnewline") {
    value = Value::String("\r\n");
  } else if (name == "vbcr") {
    value = Value::String("\r");
  } else if (name == "vblf") {
    value = Value::String("\n");
  } else if (name == "vbtab") {
    value = Value::String("\t");
  } else {
    return false;
  }
  return true;
}

}  // namespace pavane::vbscript
