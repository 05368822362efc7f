// Language files: the readings of a file on disk (UTF-8, Windows-1252,
// scrambled) and the "{strLoc_...}" variables of its code-strings table.
// The input is the bytes of one file.
#include "fuzz_support.h"
#include "localize/language_text.h"
#include "os/code_page.h"
#include "os/files.h"
#include "platform/text.h"
#include "platform/utf8_file.h"

using pavane::localize::LanguageText;
using namespace pavane::platform;

PAVANE_FUZZ_TARGET(bytes) {
  const std::string western = pavane::os::Windows1252ToUtf8(bytes);
  Expect(IsValidUtf8(western) && CharacterCount(western) == bytes.size(),
         "Windows-1252 gives one valid character per byte");
  // A language file reaches the table as valid UTF-8, whatever was on disk.
  const std::string text = Utf8ToString(bytes);
  Expect(IsValidUtf8(text) && IsValidUtf8(bytes) == (text == bytes),
         "Utf8ToString mends exactly invalid text");

  // Read strictly (a byte-order mark, no scrambling), then leniently.
  const std::string path = ScratchFolder() + "/file.txt";
  pavane::os::FileError error;
  Expect(pavane::os::WriteFileAtomically(path, bytes, error), "the scratch file can be written");
  for (const bool lenient : {false, true}) {
    std::string read, message;
    const bool ok = ReadUTF8File(path, read, message, lenient, true, lenient);
    Expect(IsValidUtf8(read) && ok == message.empty(), "a file reads as valid UTF-8 or says why");
    Expect(ok == (lenient || bytes.empty() || bytes.starts_with("\xEF\xBB\xBF")),
           "only a missing mark refuses a file");
    Expect(lenient || !ok || bytes.empty() || read == Utf8ToString(bytes.substr(3)),
           "a marked file reads as UTF-8");
  }
  // Language texts hold no U+0000 to U+0006: the scrambling cannot tell
  // those from the line-break characters at even positions.
  for (const bool scramble : {false, true}) {
    std::string back, message;
    Expect(std::ranges::any_of(text, [](char ch) { return static_cast<unsigned char>(ch) <= 6; }) ||
               (SaveUTF8File(path, text, message, scramble) &&
                ReadUTF8File(path, back, message, false, true, scramble) && back == text),
           "a saved file reads back the same");
  }

  static const std::string shownApp = "OL";  // the texts keep a reference to it
  LanguageText language(shownApp);
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
