// What an object registered with the statement engine offers to language
// statements: properties read and written by name, sub-objects (the Font of a
// label) and methods (Move). Names arrive in whatever letter case the
// translator wrote; objects compare them without regard to case.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "vbscript/value.h"

namespace pavane::vbscript {

// Statement names are ASCII identifiers; letter case never matters.
inline std::string LowerCaseName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lower;
}

inline bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerCaseName(a) == LowerCaseName(b);
}

class ScriptObject {
 public:
  virtual ~ScriptObject() = default;

  // Fills `error` with a complete message (naming the object and property)
  // when the object has no such property.
  virtual bool GetProperty(std::string_view name, Value& value, std::string& error) const = 0;

  // Coerces `value` to the property's type. On any failure the object is left
  // exactly as it was and `error` says why.
  virtual bool SetProperty(std::string_view name, const Value& value, std::string& error) = 0;

  // A sub-object addressed as `object.name.property`; nullptr when there is
  // none of that name.
  virtual ScriptObject* GetMember(std::string_view /*name*/) { return nullptr; }

  // Same all-or-nothing rule as SetProperty: arguments are checked before
  // anything is applied.
  virtual bool CallMethod(std::string_view name, std::span<const Value> /*arguments*/,
                          std::string& error) {
    error = "Object doesn't support this property or method: '" + std::string(name) + "'";
    return false;
  }
};

}  // namespace pavane::vbscript
