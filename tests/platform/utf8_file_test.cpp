#include "platform/utf8_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace pavane::platform {
namespace {

using testing::ReadBytes;
using testing::TempDir;

const std::string kMark = "\xEF\xBB\xBF";
const std::string kReplacement = "\xEF\xBF\xBD";

std::string Scrambled(std::string bytes) {
  ScrambleBytes(bytes);
  return bytes;
}

TEST(Scrambling, ShiftsPairsButNeverTheLastOneOrTwoBytesAndUnscrambles) {
  EXPECT_EQ(Scrambled("ab"), "ab") << "fewer than three bytes";
  EXPECT_EQ(Scrambled("abcd"), "Zgcd") << "four bytes: still one pair";
  EXPECT_EQ(Scrambled(std::string("\x06\xFB\x07\xFA\x00", 5)),
            std::string("\x06\xFB\x00\xFF\x00", 5))
      << "values at the limits";

  // Every byte outside the two lost ranges comes back.
  std::string all;
  for (int even = 7; even < 256; ++even) {
    all.push_back(static_cast<char>(even));
    all.push_back(static_cast<char>(even < 251 ? even : 0));  // odd positions: below 251
  }
  all += "xy";
  std::string bytes = Scrambled(all);
  UnscrambleBytes(bytes);
  EXPECT_EQ(bytes, all);
}

TEST(Utf8File, MarkEmptinessAndWindows1252Rules) {
  TempDir dir;
  const struct {
    const char* what;
    std::string bytes;
    bool noMarkAllowed;
    bool emptyAllowed;
    bool read;
    std::string textOrMessage;
  } cases[] = {
      {"no mark", "file=a.txt", false, false, false, "Error: The file <> is not UTF-8 encoded"},
      {"no mark allowed", "file=a.txt", true, false, true, "file=a.txt"},
      // With a mark the bytes are UTF-8 even when a file without one is allowed.
      {"marked", kMark + "Grüße", true, false, true, "Grüße"},
      {"valid UTF-8 without mark", "ニュース", true, false, true, "ニュース"},
      // "Übersetzung €5 – café" as a Western Windows editor saves it.
      {"Windows-1252",
       "\xDC"
       "bersetzung \x80"
       "5 \x96 caf\xE9\r\n",
       true, false, true, "Übersetzung €5 – café\r\n"},
      {"empty", "", true, false, false, "File not found or empty"},
      {"empty accepted", "", false, true, true, ""},
      // One replacement for each byte of an overlong form or a surrogate, one
      // for a cut sequence.
      {"invalid behind the mark", kMark + "a\xFF\xC0\xAF\xED\xA0\x80\xF0\x9F\x8E\x89\xE3\x83",
       false, false, true,
       "a" + kReplacement + kReplacement + kReplacement + kReplacement + kReplacement +
           kReplacement + "\xF0\x9F\x8E\x89" + kReplacement},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Write("file.txt", c.bytes);
    std::string text;
    std::string message;
    EXPECT_EQ(ReadUTF8File(path, text, message, c.noMarkAllowed, c.emptyAllowed, false), c.read);
    std::string expected = c.textOrMessage;
    if (const auto at = expected.find("<>"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(c.read ? text : message, expected);
  }
  std::string text;
  std::string message;
  EXPECT_FALSE(ReadUTF8File(dir.File("missing.txt"), text, message, true, true, false));
  EXPECT_EQ(message, "Error 53 File not found");
}

// Saved scrambled behind a plain mark, found and replaced whatever the case
// of the name, and a failed save leaves nothing behind.
TEST(Utf8File, SavesAndReadsBackUnderAnySpelling) {
  TempDir dir;
  const std::string stored = dir.Write("PV/de/language.inx", "old");
  std::string message;
  ASSERT_TRUE(SaveUTF8File(dir.File("pv/DE/Language.INX"), "Hallo", message, true)) << message;
  EXPECT_EQ(ReadBytes(stored), kMark + "Afeqo");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "PV/de/Language.INX")) << "no twin";
  std::string text;
  ASSERT_TRUE(ReadUTF8File(dir.File("pv/De/LANGUAGE.inx"), text, message, false, false, true))
      << message;
  EXPECT_EQ(text, "Hallo");
  ASSERT_TRUE(SaveUTF8File(dir.File("plain.ini"), "abc", message, false)) << message;
  EXPECT_EQ(ReadBytes(dir.File("plain.ini")), kMark + "abc");
  ASSERT_TRUE(SaveUTF8File(dir.File("empty.ini"), "", message, true)) << message;
  EXPECT_EQ(ReadBytes(dir.File("empty.ini")), "") << "empty text: no mark either";

  EXPECT_FALSE(SaveUTF8File(dir.File("nofolder/language.inx"), "abc", message, true));
  EXPECT_EQ(message, "Error saving UTF-8 file: 76 Path not found");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "nofolder"));
  EXPECT_FALSE(SaveUTF8File(dir.File("PV"), "abc", message, true));
  EXPECT_TRUE(message.starts_with("Error saving UTF-8 file: 75 ")) << message;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3)
      << "no temporary file left";
}

}  // namespace
}  // namespace pavane::platform
