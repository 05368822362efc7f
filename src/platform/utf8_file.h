// The program's text files on disk: UTF-8 with a byte-order mark, and for
// the language files a byte shift over everything after the mark, so that
// the shipped files are not casually edited.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "os/files.h"

namespace pavane::platform {

// Reads a whole text file into `text` (UTF-8). Without a byte-order mark the
// file is refused unless `acceptNoBom`; then it is taken as UTF-8 when it is
// valid UTF-8, else as Windows-1252 (what a Western Windows system wrote).
// An empty file fails with "File not found or empty" unless `acceptEmpty`.
// `unscramble` undoes ScrambleBytes on the bytes after the mark.
bool ReadUTF8File(std::string_view path, std::string& text, std::string& message, bool acceptNoBom,
                  bool acceptEmpty, bool unscramble,
                  std::uint64_t maxBytes = os::kMaxTextFileBytes);

// Writes `text` as UTF-8 with a byte-order mark, scrambled after the mark when
// asked; an empty text gives an empty file without mark. The file is
// replaced all at once, so a failed save leaves the previous one intact.
bool SaveUTF8File(std::string_view path, std::string_view text, std::string& message,
                  bool scramble);

// The text of UTF-8 bytes; invalid sequences become U+FFFD.
std::string Utf8ToString(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// The language files' byte shift, in place. Bytes go in pairs from the start
// while at least one more byte follows the pair, so the last one or two bytes
// (and arrays of fewer than three) stay as they are.
void ScrambleBytes(std::string& bytes);
void UnscrambleBytes(std::string& bytes);

}  // namespace pavane::platform
