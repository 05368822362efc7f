#include "vbscript/builtin_functions.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "os/unicode.h"

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

std::string InvalidCall(std::string_view function) {
  return "Invalid procedure call or argument: '" + std::string(function) + "'";
}

struct FunctionInfo {
  std::string_view name;       // lower case
  std::string_view shownName;  // as the messages name it
  std::size_t arguments;
};

constexpr std::array<FunctionInfo, 8> kFunctions = {{
    {"chr", "Chr", 1},
    {"chrw", "ChrW", 1},
    {"rgb", "RGB", 3},
    {"cstr", "CStr", 1},
    {"cint", "CInt", 1},
    {"clng", "CLng", 1},
    {"cdbl", "CDbl", 1},
    {"cbool", "CBool", 1},
}};

const FunctionInfo* FindFunction(std::string_view name) {
  for (const FunctionInfo& info : kFunctions) {
    if (info.name == name) {
      return &info;
    }
  }
  return nullptr;
}

bool Chr(const Value& argument, Value& result, std::string& error) {
  std::int32_t code = 0;
  if (!ToLong(argument, code, error)) {
    return false;
  }
  if (code < 0 || code > 255) {
    error = InvalidCall("Chr");
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

bool ChrW(const Value& argument, Value& result, std::string& error) {
  std::int32_t code = 0;
  if (!ToLong(argument, code, error)) {
    return false;
  }
  // Negative codes down to -32768 name the upper half of the 16-bit range,
  // as in the old language; beyond 0xFFFF the full Unicode range is allowed
  // because our texts are UTF-8, not UTF-16.
  if (code < 0 && code >= -32768) {
    code += 65536;
  }
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    error = InvalidCall("ChrW");
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
      error = InvalidCall("RGB");
      return false;
    }
    // Components above 255 count as 255, as the old RGB did.
    total += std::min<std::int32_t>(component, 255) * factor;
    factor *= 256;
  }
  result = Value::Long(total);
  return true;
}

}  // namespace

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
  if (arguments.size() != info->arguments) {
    error = "Wrong number of arguments or invalid property assignment: '" +
            std::string(info->shownName) + "'";
    return false;
  }
  const Value& first = arguments[0];
  if (name == "chr") {
    return Chr(first, result, error);
  }
  if (name == "chrw") {
    return ChrW(first, result, error);
  }
  if (name == "rgb") {
    return Rgb(arguments, result, error);
  }
  if (name == "cstr") {
    result = Value::String(ToString(first));
    return true;
  }
  if (name == "cint") {
    std::int16_t number = 0;
    if (!ToInteger(first, number, error)) {
      return false;
    }
    result = Value::Integer(number);
    return true;
  }
  if (name == "clng") {
    std::int32_t number = 0;
    if (!ToLong(first, number, error)) {
      return false;
    }
    result = Value::Long(number);
    return true;
  }
  if (name == "cdbl") {
    double number = 0;
    if (!ToDouble(first, number, error)) {
      return false;
    }
    result = Value::Double(number);
    return true;
  }
  bool flag = false;
  if (!ToBoolean(first, flag, error)) {
    return false;
  }
  result = Value::Boolean(flag);
  return true;
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
