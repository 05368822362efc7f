#include "vbscript/text_functions.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "os/unicode.h"
#include "vbscript/builtin_functions.h"

namespace pavane::vbscript {
namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Where the character that starts at `at` ends: a well-formed UTF-8
// sequence is one character, any other byte one on its own.
std::size_t CharacterEnd(std::string_view text, std::size_t at) {
  if (at >= text.size()) return at + 1;
  const os::Utf8Sequence sequence = os::NextUtf8Sequence(text, at);
  return at + (sequence.valid ? sequence.length : 1);
}

// The byte offset `count` characters after `at`, or the end of the text.
std::size_t SkipCharacters(std::string_view text, std::size_t at, std::size_t count) {
  for (; count > 0 && at < text.size(); --count) at = CharacterEnd(text, at);
  return at;
}

// What a character compares as: its code point, or for a stray byte a value
// past the Unicode range, so that it matches only the same byte.
char32_t KeyOf(std::string_view character) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(character[i]); };
  switch (character.size()) {
    case 2:
      return (char32_t{byte(0) & 0x1Fu} << 6) | (byte(1) & 0x3Fu);
    case 3:
      return (char32_t{byte(0) & 0x0Fu} << 12) | (char32_t{byte(1) & 0x3Fu} << 6) |
             (byte(2) & 0x3Fu);
    case 4:
      return (char32_t{byte(0) & 0x07u} << 18) | (char32_t{byte(1) & 0x3Fu} << 12) |
             (char32_t{byte(2) & 0x3Fu} << 6) | (byte(3) & 0x3Fu);
    default:
      return byte(0) < 0x80 ? byte(0) : 0x110000 + byte(0);
  }
}

// A text split into characters for searching: where each one starts (and,
// last, the text's end), and the keys they compare by.
struct Characters {
  std::vector<std::size_t> starts;
  std::u32string keys;
};

Characters Split(std::string_view text, bool ignoreCase) {
  Characters characters;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = CharacterEnd(text, at);
    std::string_view character = text.substr(at, end - at);
    char32_t key = KeyOf(character);
    if (ignoreCase && key >= 'A' && key <= 'Z') {
      key += 'a' - 'A';
    } else if (ignoreCase && key >= 0x80 && key < 0x110000) {
      // Lower case maps one character to one character.
      const std::string lower = os::LowerCaseUtf8(character);
      key = KeyOf(std::string_view(lower).substr(0, CharacterEnd(lower, 0)));
    }
    characters.starts.push_back(at);
    characters.keys.push_back(key);
    at = end;
  }
  characters.starts.push_back(text.size());
  return characters;
}

// Knuth-Morris-Pratt, so that a search costs the length of the texts and no
// more, whatever a statement searches for.
class Finder {
 public:
  explicit Finder(std::u32string needle) : needle_(std::move(needle)), border_(needle_.size(), 0) {
    for (std::size_t i = 1, k = 0; i < needle_.size(); ++i) {
      while (k > 0 && needle_[i] != needle_[k]) k = border_[k - 1];
      if (needle_[i] == needle_[k]) ++k;
      border_[i] = k;
    }
  }

  // The first match at or after `from` in `text`; `needle` is not empty.
  std::size_t Find(const std::u32string& text, std::size_t from) const {
    for (std::size_t i = from, k = 0; i < text.size(); ++i) {
      while (k > 0 && text[i] != needle_[k]) k = border_[k - 1];
      if (text[i] == needle_[k]) ++k;
      if (k == needle_.size()) return i + 1 - k;
    }
    return kNotFound;
  }

  std::size_t Size() const { return needle_.size(); }

 private:
  std::u32string needle_;
  std::vector<std::size_t> border_;
};

std::string OutOfStringSpace(std::string_view function) {
  return "Out of string space: '" + std::string(function) + "'";
}

// A count or a position: rounded as CLng rounds, and at least `least`.
bool WholeArgument(const Value& value, std::int32_t least, std::string_view function,
                   std::int32_t& result, std::string& error) {
  if (!ToLong(value, result, error)) return false;
  if (result < least) {
    error = InvalidCallError(function);
    return false;
  }
  return true;
}

bool CompareArgument(const Value& value, std::string_view function, bool& ignoreCase,
                     std::string& error) {
  std::int32_t compare = 0;
  if (!WholeArgument(value, 0, function, compare, error)) return false;
  if (compare > 1) {
    error = InvalidCallError(function);
    return false;
  }
  ignoreCase = compare == 1;
  return true;
}

std::size_t AsSize(std::int32_t number) {
  return static_cast<std::size_t>(std::max<std::int32_t>(number, 0));
}

Value LongOf(std::size_t number) {
  return Value::Long(static_cast<std::int32_t>(
      std::min<std::size_t>(number, std::numeric_limits<std::int32_t>::max())));
}

bool TrimBlanks(const Value& argument, bool front, bool back, Value& result) {
  const std::string whole = ToString(argument);
  std::string_view text = whole;
  while (front && !text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (back && !text.empty() && text.back() == ' ') text.remove_suffix(1);
  result = Value::String(std::string(text));
  return true;
}

}  // namespace

bool UCase(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  result = Value::String(os::UpperCaseUtf8(ToString(arguments[0])));
  return true;
}

bool LCase(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  result = Value::String(os::LowerCaseUtf8(ToString(arguments[0])));
  return true;
}

bool Len(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  // Of a number, the length of its text, as the old engine counted it.
  result = LongOf(os::Utf8Length(ToString(arguments[0])));
  return true;
}

bool Left(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t count = 0;
  if (!WholeArgument(arguments[1], 0, "Left", count, error)) return false;
  const std::string text = ToString(arguments[0]);
  result = Value::String(text.substr(0, SkipCharacters(text, 0, AsSize(count))));
  return true;
}

bool Right(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t count = 0;
  if (!WholeArgument(arguments[1], 0, "Right", count, error)) return false;
  const std::string text = ToString(arguments[0]);
  const std::size_t length = os::Utf8Length(text);
  const std::size_t skipped = length - std::min(length, AsSize(count));
  result = Value::String(text.substr(SkipCharacters(text, 0, skipped)));
  return true;
}

bool Mid(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t start = 0;
  std::int32_t count = std::numeric_limits<std::int32_t>::max();
  if (!WholeArgument(arguments[1], 1, "Mid", start, error) ||
      (arguments.size() > 2 && !WholeArgument(arguments[2], 0, "Mid", count, error))) {
    return false;
  }
  const std::string text = ToString(arguments[0]);
  const std::size_t from = SkipCharacters(text, 0, AsSize(start - 1));
  const std::size_t to = SkipCharacters(text, from, AsSize(count));
  result = Value::String(text.substr(from, to - from));
  return true;
}

bool Trim(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  return TrimBlanks(arguments[0], true, true, result);
}

bool LTrim(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  return TrimBlanks(arguments[0], true, false, result);
}

bool RTrim(std::span<const Value> arguments, Value& result, std::string& /*error*/) {
  return TrimBlanks(arguments[0], false, true, result);
}

bool Replace(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t start = 1;
  std::int32_t count = -1;  // all
  bool ignoreCase = false;
  if ((arguments.size() > 3 && !WholeArgument(arguments[3], 1, "Replace", start, error)) ||
      (arguments.size() > 4 && !WholeArgument(arguments[4], -1, "Replace", count, error)) ||
      (arguments.size() > 5 && !CompareArgument(arguments[5], "Replace", ignoreCase, error))) {
    return false;
  }
  const std::string whole = ToString(arguments[0]);
  const std::string find = ToString(arguments[1]);
  const std::string with = ToString(arguments[2]);
  // The result starts at `start`: what lies before it is dropped, as the old
  // Replace did.
  const std::string_view text =
      std::string_view(whole).substr(SkipCharacters(whole, 0, AsSize(start - 1)));
  if (find.empty() || count == 0) {
    result = Value::String(std::string(text));
    return true;
  }
  const Characters characters = Split(text, ignoreCase);
  const Finder finder(Split(find, ignoreCase).keys);
  std::string replaced;
  std::size_t next = 0;  // in characters
  for (std::int32_t done = 0; count < 0 || done < count; ++done) {
    const std::size_t found = finder.Find(characters.keys, next);
    if (found == kNotFound) break;
    replaced.append(
        text.substr(characters.starts[next], characters.starts[found] - characters.starts[next]));
    replaced += with;
    next = found + finder.Size();
    if (replaced.size() > kMaxTextBytes) break;
  }
  replaced.append(text.substr(characters.starts[next]));
  if (replaced.size() > kMaxTextBytes) {
    error = OutOfStringSpace("Replace");
    return false;
  }
  result = Value::String(std::move(replaced));
  return true;
}

bool InStr(std::span<const Value> arguments, Value& result, std::string& error) {
  // The start comes first, and only with three or four arguments.
  const std::size_t first = arguments.size() > 2 ? 1 : 0;
  std::int32_t start = 1;
  bool ignoreCase = false;
  if ((first == 1 && !WholeArgument(arguments[0], 1, "InStr", start, error)) ||
      (arguments.size() > 3 && !CompareArgument(arguments[3], "InStr", ignoreCase, error))) {
    return false;
  }
  const std::string text = ToString(arguments[first]);
  const std::string find = ToString(arguments[first + 1]);
  const Characters characters = Split(text, ignoreCase);
  const std::size_t from = AsSize(start - 1);
  if (text.empty() || from >= characters.keys.size()) {
    result = Value::Long(0);
  } else if (find.empty()) {
    result = Value::Long(start);
  } else {
    const std::size_t found = Finder(Split(find, ignoreCase).keys).Find(characters.keys, from);
    result = found == kNotFound ? Value::Long(0) : LongOf(found + 1);
  }
  return true;
}

bool Space(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t count = 0;
  if (!WholeArgument(arguments[0], 0, "Space", count, error)) return false;
  if (AsSize(count) > kMaxTextBytes) {
    error = OutOfStringSpace("Space");
    return false;
  }
  result = Value::String(std::string(AsSize(count), ' '));
  return true;
}

bool String(std::span<const Value> arguments, Value& result, std::string& error) {
  std::int32_t count = 0;
  if (!WholeArgument(arguments[0], 0, "String", count, error)) return false;
  std::string character;
  if (arguments[1].IsString()) {
    const std::string& text = arguments[1].StringValue();
    if (text.empty()) {
      error = InvalidCallError("String");
      return false;
    }
    character = text.substr(0, CharacterEnd(text, 0));
  } else {
    std::int32_t code = 0;
    if (!ToLong(arguments[1], code, error)) return false;
    // Codes past 255 wrap around; a negative one stays out of range.
    const Value chr[] = {Value::Long(code % 256)};
    Value text;
    if (!CallBuiltinFunction("chr", chr, text, error)) {
      error = InvalidCallError("String");
      return false;
    }
    character = text.StringValue();
  }
  if (AsSize(count) > kMaxTextBytes / character.size()) {
    error = OutOfStringSpace("String");
    return false;
  }
  std::string repeated;
  repeated.reserve(AsSize(count) * character.size());
  for (std::int32_t i = 0; i < count; ++i) repeated += character;
  result = Value::String(std::move(repeated));
  return true;
}

}  // namespace pavane::vbscript
