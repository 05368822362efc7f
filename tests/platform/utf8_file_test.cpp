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

TEST(Scrambling, ShiftsPairsButNeverTheLastOneOrTwoBytes) {
  EXPECT_EQ(Hex(Scrambled("ab")), "61 62") << "fewer than three bytes";
  EXPECT_EQ(Hex(Scrambled("abc")), "5A 67 63") << "three bytes: one pair";
  EXPECT_EQ(Hex(Scrambled("abcde")), "5A 67 5C 69 65") << "five bytes: two pairs";
  EXPECT_EQ(Hex(Scrambled(std::string("\x06\xFB\x07\xFA\x00", 5))), "06 FB 00 FF 00")
      << "values at the limits";
}

TEST(Scrambling, UnscrambleRestoresEveryByteOutsideTheTwoLostRanges) {
  std::string all;
  for (int even = 7; even < 256; ++even) {
    all.push_back(static_cast<char>(even));
    all.push_back(static_cast<char>(even < 251 ? even : 0));  // odd positions: below 251
  }
  all += "xy";
  std::string bytes = all;
  ScrambleBytes(bytes);
  EXPECT_NE(bytes, all);
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

TEST(Utf8File, MarkAndEmptinessRules) {
  TempDir dir;
  std::string text;
  std::string message;
  const std::string noMark = dir.Write("nomark.txt", "file=a.txt");
  EXPECT_FALSE(ReadUTF8File(noMark, text, message, false, false, false));
  EXPECT_EQ(message, "Error: The file " + noMark + " is not UTF-8 encoded");
  EXPECT_TRUE(ReadUTF8File(noMark, text, message, true, false, false)) << message;
  EXPECT_EQ(text, "file=a.txt");

  // With a mark the bytes are UTF-8 even when a file without one is allowed.
  const std::string marked = dir.Write("marked.txt", kMark + "Grüße");
  EXPECT_TRUE(ReadUTF8File(marked, text, message, true, false, false)) << message;
  EXPECT_EQ(text, "Grüße");

  const std::string empty = dir.Write("empty.txt", "");
  EXPECT_FALSE(ReadUTF8File(empty, text, message, true, false, false));
  EXPECT_EQ(message, "File not found or empty");
  EXPECT_TRUE(ReadUTF8File(empty, text, message, false, true, false)) << "empty accepted";
  EXPECT_EQ(text, "");

  EXPECT_FALSE(ReadUTF8File(dir.File("missing.txt"), text, message, true, true, false));
  EXPECT_EQ(message, "Error 53 File not found");
}

TEST(Utf8File, FileWithoutMarkFallsBackToWindows1252) {
  TempDir dir;
  std::string text;
  std::string message;
  // "Übersetzung €5 – café" as a Western Windows editor saves it.
  const std::string ansi = dir.Write("loader.ini",
                                     "\xDC"
                                     "bersetzung \x80"
                                     "5 \x96 caf\xE9\r\n");
  ASSERT_TRUE(ReadUTF8File(ansi, text, message, true, false, false)) << message;
  EXPECT_EQ(text, "Übersetzung €5 – café\r\n");
  // A file without mark that is valid UTF-8 is taken as it is.
  const std::string utf8 = dir.Write("utf8.ini", "ニュース");
  ASSERT_TRUE(ReadUTF8File(utf8, text, message, true, false, false)) << message;
  EXPECT_EQ(text, "ニュース");
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
