// Language files: the readings of a file on disk (UTF-8, Windows-1252,
// scrambled) and the "{strLoc_...}" variables of its code-strings table.
// The input is the bytes of one file.
#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "localize/language_text.h"
#include "os/code_page.h"
#include "os/files.h"
#include "platform/text.h"
#include "platform/utf8_file.h"

namespace {

using pavane::fuzz::Expect;
using pavane::localize::LanguageText;
using namespace pavane::platform;

constexpr std::string_view kMark = "\xEF\xBB\xBF";
const std::string kShownApp = "OL";  // the language texts keep a reference

void CheckReading(std::string_view bytes) {
  const std::string western = pavane::os::Windows1252ToUtf8(bytes);
  Expect(IsValidUtf8(western) && CharacterCount(western) == bytes.size(),
         "Windows-1252 gives one valid character per byte");
  const std::string text = Utf8ToString(bytes);
  Expect(IsValidUtf8(text) && IsValidUtf8(bytes) == (text == bytes),
         "Utf8ToString mends exactly invalid text");

  const std::string path = pavane::fuzz::ScratchFolder() + "/file.txt";
  pavane::os::FileError error;
  Expect(pavane::os::WriteFileAtomically(path, bytes, error), "the scratch file can be written");
  const bool hasMark = bytes.starts_with(kMark);
  for (const bool acceptNoBom : {false, true}) {
    for (const bool unscramble : {false, true}) {
      std::string read, message;
      const bool ok = ReadUTF8File(path, read, message, acceptNoBom, true, unscramble);
      Expect(IsValidUtf8(read) && ok == message.empty(), "a file reads as valid UTF-8 or says why");
      Expect(ok == (hasMark || acceptNoBom || bytes.empty()), "only a missing mark refuses a file");
      if (hasMark && !unscramble) {
        Expect(read == Utf8ToString(bytes.substr(kMark.size())), "a marked file reads as UTF-8");
      }
    }
  }
  // Language texts hold no U+0000 to U+0006: the scrambling cannot tell
  // those from the line-break characters at even positions.
  if (std::ranges::any_of(text, [](char ch) { return static_cast<unsigned char>(ch) <= 6; }))
    return;
  for (const bool scramble : {false, true}) {
    std::string back, message;
    Expect(SaveUTF8File(path, text, message, scramble) &&
               ReadUTF8File(path, back, message, false, true, scramble) && back == text,
           "a saved file reads back the same");
  }
}

void CheckVariables(const std::string& text) {
  LanguageText language(kShownApp);
  language.SetText(text);
  language.InitCodeStrings();
  const std::size_t bound = 2 * (LanguageText::kMaxValueBytes + text.size());
  for (std::size_t i = 1; i < language.CodeStrings().size() && i < 40; ++i) {
    const std::string& line = language.CodeStrings()[i];
    const std::string value = language.GetStrLocValue(Trim(line.substr(0, line.find('='))));
    Expect(IsValidUtf8(value) && value.size() <= bound, "a value is valid UTF-8 within its bound");
  }
  Expect(language.CheckVariables() == language.ExpansionFault(),
         "the check reports the first fault");
  std::string message;
  Expect(language.ResolveAllVariables(message), "resolving the whole file succeeds");
  Expect(IsValidUtf8(language.Text()) &&
             Split(language.Text(), "\r\n").size() == Split(text, "\r\n").size(),
         "a resolved file is valid UTF-8 and keeps every line");
}

}  // namespace

PAVANE_FUZZ_TARGET(bytes) {
  CheckReading(bytes);
  // A language file reaches the table as valid UTF-8, whatever was on disk.
  CheckVariables(Utf8ToString(bytes));
}
