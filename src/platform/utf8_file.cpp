#include "platform/utf8_file.h"

#include "os/code_page.h"
#include "os/unicode.h"

namespace pavane::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::string ErrorText(const os::FileError& error) {
  return std::to_string(error.number) + " " + error.description;
}

// Without a mark the old program took the bytes in the system's ANSI code
// page. Linux has none; UTF-8 is what files are written in here, and
// Windows-1252 is what a loader file saved on a Western Windows system is in.
std::string AnsiToString(std::string_view bytes) {
  if (IsValidUtf8(bytes)) {
    return std::string(bytes);
  }
  return os::Windows1252ToUtf8(bytes);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const os::Utf8Sequence sequence = os::NextUtf8Sequence(bytes, pos);
    if (!sequence.valid) {
      return false;
    }
    pos += sequence.length;
  }
  return true;
}

std::string Utf8ToString(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    const os::Utf8Sequence sequence = os::NextUtf8Sequence(bytes, pos);
    if (sequence.valid) {
      text.append(bytes.substr(pos, sequence.length));
    } else {
      text.append(kReplacement);
    }
    pos += sequence.length;
  }
  return text;
}

void ScrambleBytes(std::string& bytes) {
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 2) {
    auto& even = reinterpret_cast<unsigned char&>(bytes[i]);
    auto& odd = reinterpret_cast<unsigned char&>(bytes[i + 1]);
    if (even > 6) {
      even -= 7;
    }
    if (odd < 251) {
      odd += 5;
    }
  }
}

void UnscrambleBytes(std::string& bytes) {
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 2) {
    auto& even = reinterpret_cast<unsigned char&>(bytes[i]);
    auto& odd = reinterpret_cast<unsigned char&>(bytes[i + 1]);
    if (even < 249) {
      even += 7;
    }
    if (odd > 4) {
      odd -= 5;
    }
  }
}

bool ReadUTF8File(std::string_view path, std::string& text, std::string& message, bool acceptNoBom,
                  bool acceptEmpty, bool unscramble, std::uint64_t maxBytes) {
  text.clear();
  message.clear();
  std::string bytes;
  os::FileError error;
  if (!os::ReadFileBytes(path, maxBytes, bytes, error)) {
    message = "Error " + ErrorText(error);
    return false;
  }
  const bool hasMark = bytes.starts_with(kByteOrderMark);
  if (!hasMark && !bytes.empty() && !acceptNoBom) {
    message = "Error: The file " + std::string(path) + " is not UTF-8 encoded";
    return false;
  }
  if (hasMark) {
    bytes.erase(0, kByteOrderMark.size());
  }
  // A file of the mark alone holds no text either, and is treated like an
  // empty file: an empty language or source file is a mistake worth telling.
  if (bytes.empty()) {
    if (acceptEmpty) {
      return true;
    }
    message = "File not found or empty";
    return false;
  }
  if (unscramble) {
    UnscrambleBytes(bytes);
  }
  text = hasMark ? Utf8ToString(bytes) : AnsiToString(bytes);
  return true;
}

bool SaveUTF8File(std::string_view path, std::string_view text, std::string& message,
                  bool scramble) {
  message.clear();
  std::string bytes;
  if (!text.empty()) {
    std::string payload(text);
    if (scramble) {
      ScrambleBytes(payload);
    }
    bytes.reserve(kByteOrderMark.size() + payload.size());
    bytes.append(kByteOrderMark);
    bytes.append(payload);
  }
  os::FileError error;
  if (!os::WriteFileAtomically(path, bytes, error)) {
    message = "Error saving UTF-8 file: " + ErrorText(error);
    return false;
  }
  return true;
}

}  // namespace pavane::platform
