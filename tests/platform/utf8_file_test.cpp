#include "platform/utf8_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace pavane::platform {
namespace {

using testing::ReadBytes;
using testing::TempDir;

const std::string kMark = "\xEF\xBB\xBF";

std::string Scrambled(std::string bytes) {
  ScrambleBytes(bytes);
  return bytes;
}

// The bytes in upper-case hex, separated by blanks.
std::string Hex(const std::string& bytes) {
  std::string hex;
  for (const unsigned char byte : bytes) {
    hex += (hex.empty() ? "" : " ") + std::string(1, "0123456789ABCDEF"[byte >> 4]) +
           "0123456789ABCDEF"[byte & 15];
  }
  return hex;
}

TEST(Scrambling, ShiftsPairsButNeverTheLastOneOrTwoBytesAndUnscrambles) {
  EXPECT_EQ(Hex(Scrambled("ab")), "61 62") << "fewer than three bytes";
  EXPECT_EQ(Hex(Scrambled("abc")), "5A 67 63") << "three bytes: one pair";
  EXPECT_EQ(Hex(Scrambled("abcde")), "5A 67 5C 69 65") << "five bytes: two pairs";
  EXPECT_EQ(Hex(Scrambled(std::string("\x06\xFB\x07\xFA\x00", 5))), "06 FB 00 FF 00")
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

TEST(Utf8File, SavesScrambledBytesBehindAPlainMark) {
  TempDir dir;
  std::string message;
  ASSERT_TRUE(SaveUTF8File(dir.File("abcd.inx"), "abcd", message, true)) << message;
  EXPECT_EQ(Hex(ReadBytes(dir.File("abcd.inx"))), "EF BB BF 5A 67 63 64")
      << "four bytes: still one pair";
  ASSERT_TRUE(SaveUTF8File(dir.File("plain.ini"), "abc", message, false)) << message;
  EXPECT_EQ(ReadBytes(dir.File("plain.ini")), kMark + "abc");
  ASSERT_TRUE(SaveUTF8File(dir.File("empty.ini"), "", message, true)) << message;
  EXPECT_EQ(ReadBytes(dir.File("empty.ini")), "") << "empty text: no mark either";
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

TEST(Utf8File, InvalidBytesBehindTheMarkBecomeReplacementCharacters) {
  EXPECT_EQ(Hex(Utf8ToString("a\xFFz")), "61 EF BF BD 7A");
  EXPECT_EQ(Hex(Utf8ToString("\xE3\x83")), "EF BF BD") << "cut sequence: one replacement";
  EXPECT_EQ(Hex(Utf8ToString("\xC0\xAF")), "EF BF BD EF BF BD") << "overlong";
  EXPECT_EQ(Hex(Utf8ToString("\xED\xA0\x80")), "EF BF BD EF BF BD EF BF BD") << "surrogate";
  EXPECT_EQ(Utf8ToString("\xF0\x9F\x8E\x89"), "\xF0\x9F\x8E\x89");
}

TEST(Utf8File, NamesMatchWithoutRegardToCase) {
  TempDir dir;
  dir.Write("PV/localized/de/language.inx", kMark + Scrambled("Hallo"));
  std::string text;
  std::string message;
  ASSERT_TRUE(
      ReadUTF8File(dir.File("pv/Localized/DE/Language.inx"), text, message, false, false, true))
      << message;
  EXPECT_EQ(text, "Hallo");

  // Saving under another spelling replaces the existing file, not a twin.
  ASSERT_TRUE(SaveUTF8File(dir.File("pv/LOCALIZED/de/Language.INX"), "Neu", message, true))
      << message;
  EXPECT_EQ(ReadBytes(dir.File("PV/localized/de/language.inx")), kMark + Scrambled("Neu"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "PV/localized/de/Language.INX"));
}

TEST(Utf8File, FailedSaveReportsAndLeavesNothingBehind) {
  TempDir dir;
  std::string message;
  EXPECT_FALSE(SaveUTF8File(dir.File("nofolder/language.inx"), "abc", message, true));
  EXPECT_EQ(message, "Error saving UTF-8 file: 76 Path not found");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "nofolder"));

  std::filesystem::create_directory(dir.path() / "language.inx");
  EXPECT_FALSE(SaveUTF8File(dir.File("language.inx"), "abc", message, true));
  EXPECT_TRUE(message.starts_with("Error saving UTF-8 file: 75 ")) << message;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "no temporary file left";
}

}  // namespace
}  // namespace pavane::platform
