// Language variables and placeholders: resolving "{strLoc_...}" references
// in the code-strings table, at run time and once for all in a resolved
// build. The input is a language file's text.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "localize/language_text.h"
#include "platform/text.h"
#include "platform/utf8_file.h"

namespace {

using pavane::fuzz::Expect;
using pavane::localize::LanguageText;

// The names the table answers to, at most a few dozen of them.
std::vector<std::string> Names(const LanguageText& language) {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < language.CodeStrings().size() && names.size() < 40; ++i) {
    const std::string& line = language.CodeStrings()[i];
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos)
      names.push_back(pavane::platform::Trim(line.substr(0, equals)));
  }
  return names;
}

}  // namespace

PAVANE_FUZZ_TARGET(input) {
  // A language file reaches the table as valid UTF-8, whatever was on disk.
  const std::string text = pavane::platform::Utf8ToString(input);
  const std::string shown = "OL";
  LanguageText language(shown);
  language.SetText(text);
  language.InitCodeStrings();
  const std::vector<std::string> names = Names(language);

  const std::size_t bound = 2 * (LanguageText::kMaxValueBytes + text.size());
  for (const std::string& name : names) {
    const std::string value = language.GetStrLocValue(name);
    Expect(pavane::platform::IsValidUtf8(value), "a resolved value is valid UTF-8");
    Expect(value.size() <= bound, "a resolved value stays within its bound");
    Expect(language.GetStrLocValue(name) == value, "a value resolves the same every time");
  }
  std::string line = pavane::platform::Utf8ToString(text.substr(0, 4096));
  language.ResolveVariables(line);
  Expect(pavane::platform::IsValidUtf8(line), "a resolved line is valid UTF-8");

  const std::string fault = language.CheckVariables();
  Expect(fault == language.ExpansionFault(), "the check reports the first fault");

  std::string message;
  Expect(language.ResolveAllVariables(message), "resolving the whole file succeeds");
  Expect(pavane::platform::IsValidUtf8(language.Text()), "a resolved file is valid UTF-8");
  Expect(pavane::platform::Split(language.Text(), "\r\n").size() ==
             pavane::platform::Split(text, "\r\n").size(),
         "resolving keeps every line");
}
