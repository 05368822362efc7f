// Language files on disk: the UTF-8, Windows-1252 and scrambled readings of
// a file, and the developer-mode build that assembles a language file from
// a source and loads it again. The input is the bytes of one file; the
// build takes it as a language source.
#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "localize/language_loader.h"
#include "localize/language_text.h"
#include "os/code_page.h"
#include "os/files.h"
#include "platform/text.h"
#include "platform/utf8_file.h"

namespace {

using pavane::fuzz::Expect;
using namespace pavane::platform;

constexpr std::string_view kMark = "\xEF\xBB\xBF";

// Language texts hold no U+0000 to U+0006: the scrambling cannot tell
// those from the line-break characters at even positions.
bool Scramblable(std::string_view text) {
  return std::ranges::none_of(text, [](char ch) { return static_cast<unsigned char>(ch) <= 6; });
}

void CheckDecoding(std::string_view bytes) {
  const std::string western = pavane::os::Windows1252ToUtf8(bytes);
  Expect(IsValidUtf8(western), "Windows-1252 decodes to valid UTF-8");
  Expect(CharacterCount(western) == bytes.size(), "Windows-1252 gives one character per byte");

  const std::string decoded = Utf8ToString(bytes);
  Expect(IsValidUtf8(decoded), "Utf8ToString gives valid UTF-8");
  Expect(IsValidUtf8(bytes) == (decoded == bytes), "Utf8ToString changes exactly invalid text");
  if (IsValidUtf8(bytes)) {
    Expect(IsValidUtf8(LowerCase(bytes)) && IsValidUtf8(UpperCase(bytes)),
           "case mapping keeps UTF-8 valid");
    Expect(CharacterCount(LowerCase(bytes)) == CharacterCount(bytes),
           "lower case keeps the number of characters");
  }

  std::string shifted(bytes);
  ScrambleBytes(shifted);
  UnscrambleBytes(shifted);
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 2) {
    const auto even = static_cast<unsigned char>(bytes[i]);
    if (even <= 6 || static_cast<unsigned char>(bytes[i + 1]) >= 251) return;  // not restorable
  }
  Expect(shifted == bytes, "unscrambling undoes scrambling");
}

void CheckReading(std::string_view bytes) {
  const std::string path = pavane::fuzz::ScratchFolder() + "/file.txt";
  pavane::os::FileError error;
  Expect(pavane::os::WriteFileAtomically(path, bytes, error), "the scratch file can be written");
  const bool hasMark = bytes.starts_with(kMark);
  for (const bool acceptNoBom : {false, true}) {
    for (const bool unscramble : {false, true}) {
      std::string text;
      std::string message;
      const bool ok = ReadUTF8File(path, text, message, acceptNoBom, true, unscramble);
      Expect(IsValidUtf8(text), "a file reads as valid UTF-8");
      Expect(ok == (hasMark || acceptNoBom || bytes.empty()), "only a missing mark refuses a file");
      Expect(ok == message.empty(), "a refusal says why, a success says nothing");
      if (ok && hasMark && !unscramble) {
        Expect(text == Utf8ToString(bytes.substr(kMark.size())), "a marked file reads as UTF-8");
      }
    }
  }

  // Save and read back, scrambled and plain.
  std::string text = Utf8ToString(bytes);
  if (!Scramblable(text)) return;
  for (const bool scramble : {false, true}) {
    std::string message;
    Expect(SaveUTF8File(path, text, message, scramble), "the scratch file can be saved");
    std::string back;
    Expect(ReadUTF8File(path, back, message, false, true, scramble) && back == text,
           "a saved file reads back the same");
  }
}

// A developer's installation whose loader names one source file.
const pavane::RunSettings& Installation() {
  static const pavane::RunSettings installation = [] {
    const std::string root = pavane::fuzz::ScratchFolder() + "/install/";
    for (const char* folder : {"localized/PV", "localized/SourceCode/en", "PV/localized/en"})
      std::filesystem::create_directories(root + folder);
    pavane::RunSettings made;
    made.LanguageCode = "en";
    made.ProductionMode = false;
    made.ParentFolder = root;
    made.ParentLocalizedFolder = root + "localized/";
    made.OwnLocalizedFolder = root + "PV/localized/";
    pavane::os::FileError error;
    pavane::os::WriteFileAtomically(root + "localized/PV/LanguageLoader.ini",
                                    "; loader\r\nfile=SourceCode\\{LANGUAGE_ID}\\Texts.txt\r\n",
                                    error);
    return made;
  }();
  return installation;
}

void CheckBuild(std::string_view bytes, bool resolve) {
  pavane::RunSettings settings = Installation();
  settings.ResolveMode = resolve;
  pavane::os::FileError error;
  const std::string source =
      bytes.starts_with(kMark) ? std::string(bytes) : std::string(kMark) + std::string(bytes);
  Expect(pavane::os::WriteFileAtomically(settings.ParentLocalizedFolder + "SourceCode/en/Texts.txt",
                                         source, error),
         "the source can be written");
  for (const char* built : {"language.ini", "language.inx"})
    pavane::os::RemoveFile(settings.OwnLocalizedFolder + "en/" + built, error);

  const std::string shown = "OL";
  pavane::localize::LanguageText language(shown);
  pavane::localize::LanguageLoader loader(settings, language);
  std::string message;
  const bool ok = loader.InitLanguageText(message);
  Expect(ok || !message.empty(), "a failed load says why");
  const bool built = ok || message == "Error in function InitCodeStrings";
  if (!built) return;
  const std::string& assembled = loader.AssembledText();
  Expect(assembled.find("[[Code_Strings]]") != std::string::npos,
         "a built file has its code strings section");
  Expect(IsValidUtf8(language.Text()), "a loaded language is valid UTF-8");
  if (Scramblable(assembled)) {
    Expect(language.Text() == assembled, "the built file loads as it was assembled");
  }
}

}  // namespace

PAVANE_FUZZ_TARGET(bytes) {
  CheckDecoding(bytes);
  CheckReading(bytes);
  // Half the inputs build with every variable resolved (the scrambled
  // production file), half without (the plain file a translator reads).
  CheckBuild(bytes, bytes.size() % 2 == 1);
}
