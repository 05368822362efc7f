// Read access to the loaded language's variables, for the parts of the run
// that take a localized text or address by name.
#pragma once

#include <string>
#include <string_view>

namespace pavane {

class LanguageTexts {
 public:
  virtual ~LanguageTexts() = default;
  // The resolved value of a "strLoc_", "str_" or "strURL_" variable; "" when
  // the language file does not define it.
  virtual std::string GetStrLocValue(std::string_view name) const = 0;
};

}  // namespace pavane
