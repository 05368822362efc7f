#include "reg_file.h"

#include <cstdint>
#include <utility>

#include "os/posix/sqlite_registry_store.h"
#include "os/unicode.h"

namespace pavane::tools {
namespace {

// The registry editor of Windows writes UTF-16LE. A broken surrogate pair is
// reported with its line, like any other fault of the file.
bool DecodeUtf16Le(std::string_view bytes, std::string& text, std::string& error) {
  if (bytes.size() % 2 != 0) {
    error = "the file ends in the middle of a UTF-16 character";
    return false;
  }
  std::size_t line = 1;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(bytes[i]) |
                    (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                           (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        os::AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      error = "line " + std::to_string(line) + ": a broken UTF-16 surrogate pair";
      return false;
    }
    if (unit == '\n') ++line;
    os::AppendUtf8(text, unit);
  }
  return true;
}

// Length of the valid UTF-8 sequence at `pos`, 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
  const unsigned char lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t min = 0;
  char32_t ch = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, ch = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, ch = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, ch = lead & 0x07;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    ch = (ch << 6) | (next & 0x3F);
  }
  if (ch < min || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
  return length;
}

bool ValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

bool DecodeFile(std::string_view bytes, std::string& text, std::string& error) {
  if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16Le(bytes.substr(2), text, error);
  if (bytes.starts_with("\xFE\xFF")) {
    error = "UTF-16 big-endian files are not supported";
    return false;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  text.assign(bytes);
  return true;
}

std::string_view TrimWhite(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

void SkipWhite(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

// Reads a quoted string starting at the quote at `pos`; leaves `pos` after
// the closing quote.
bool ReadQuoted(std::string_view line, std::size_t& pos, std::string& out, std::string& why) {
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    const char ch = line[pos];
    if (ch == '"') {
      ++pos;
      return true;
    }
    if (ch == '\\') {
      if (pos + 1 >= line.size() || (line[pos + 1] != '\\' && line[pos + 1] != '"')) {
        why = "a backslash must be followed by \\ or \" inside quotes";
        return false;
      }
      ++pos;
    }
    out += line[pos];
  }
  why = "a quoted text is not closed";
  return false;
}

bool ParseSection(std::string_view line, os::RegistryChange& key, std::string& why) {
  if (line.size() < 2 || line.back() != ']') {
    why = "a section line must end with ]";
    return false;
  }
  const std::string_view path = line.substr(1, line.size() - 2);
  if (path.starts_with('-')) {
    why = "deleting keys ([-KEY]) is not supported";
    return false;
  }
  const std::size_t separator = path.find('\\');
  const std::string_view root = path.substr(0, separator);
  bool known = false;
  for (const std::string& name : os::RegistryRootNames()) {
    if (os::UpperCaseUtf8(root) == name) {
      key.root = name;
      known = true;
    }
  }
  if (!known) {
    why = "\"" + std::string(root) + "\" is not a root key name";
    return false;
  }
  key.subkey = separator == std::string_view::npos ? "" : std::string(path.substr(separator + 1));
  if (separator != std::string_view::npos) {
    std::size_t start = 0;
    while (true) {
      const std::size_t end = key.subkey.find('\\', start);
      const std::string_view part = std::string_view(key.subkey).substr(start, end - start);
      if (part.empty()) {
        why = "a key name is empty (doubled or trailing \\)";
        return false;
      }
      if (os::Utf8Length(part) > os::kMaxRegistryKeyNameChars) {
        why = "a key name is longer than 255 characters";
        return false;
      }
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  key.createKeyOnly = true;
  return true;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// "41,42,ff": the bytes of a value that a quoted text cannot hold (invalid
// UTF-8, line breaks, NUL). Reads to the end of the line.
bool ReadHexBytes(std::string_view line, std::size_t& pos, std::string& bytes, std::string& why) {
  bytes.clear();
  SkipWhite(line, pos);
  while (pos < line.size()) {
    const int high = pos + 1 < line.size() ? HexDigit(line[pos]) : -1;
    const int low = high >= 0 ? HexDigit(line[pos + 1]) : -1;
    if (low < 0) {
      why = "hex: takes bytes as two hex digits each, separated by commas";
      return false;
    }
    if (bytes.size() == os::kMaxRegistryValueBytes) {
      why = "the value is larger than 1 MiB";
      return false;
    }
    bytes += static_cast<char>(high * 16 + low);
    pos += 2;
    SkipWhite(line, pos);
    if (pos < line.size() && line[pos] == ',') {
      ++pos;
      SkipWhite(line, pos);
      if (pos == line.size()) {
        why = "hex: ends with a comma";
        return false;
      }
    } else if (pos < line.size()) {
      why = "hex: takes bytes as two hex digits each, separated by commas";
      return false;
    }
  }
  return true;
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "hex:";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += ',';
    const auto byte = static_cast<unsigned char>(bytes[i]);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

bool ParseValue(std::string_view line, os::RegistryChange& value, std::string& why) {
  std::size_t pos = 0;
  if (line[0] == '@') {
    value.name.clear();
    pos = 1;
  } else if (!ReadQuoted(line, pos, value.name, why)) {
    return false;
  }
  SkipWhite(line, pos);
  if (pos >= line.size() || line[pos] != '=') {
    why = "expected = after the value name";
    return false;
  }
  ++pos;
  SkipWhite(line, pos);
  const std::string_view rest = line.substr(pos);
  if (rest.starts_with('-')) {
    why = "deleting values (=-) is not supported";
    return false;
  }
  if (rest.starts_with("hex:")) {
    pos += 4;
    if (!ReadHexBytes(line, pos, value.data, why)) return false;
  } else if (!rest.starts_with('"')) {
    why = "only string values (\"...\") and their bytes (hex:...) are supported";
    return false;
  } else if (!ReadQuoted(line, pos, value.data, why)) {
    return false;
  }
  SkipWhite(line, pos);
  if (pos != line.size()) {
    why = "unexpected text after the value";
    return false;
  }
  if (value.data.size() > os::kMaxRegistryValueBytes) {
    why = "the value is larger than 1 MiB";
    return false;
  }
  if (os::Utf8Length(value.name) > os::kMaxRegistryValueNameChars) {
    why = "the value name is too long";
    return false;
  }
  value.createKeyOnly = false;
  return true;
}

bool Representable(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string KeyText(const std::string& root, const std::string& subkey) {
  return subkey.empty() ? root : root + "\\" + subkey;
}

}  // namespace

bool ParseRegFile(std::string_view bytes, std::vector<os::RegistryChange>& changes,
                  std::string& error) {
  std::string text;
  if (!DecodeFile(bytes, text, error)) return false;
  std::vector<os::RegistryChange> parsed;
  bool inSection = false;
  std::string sectionRoot;
  std::string sectionSubkey;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  while (start < text.size() || lineNumber == 0) {
    ++lineNumber;
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line = std::string_view(text).substr(start, end - start);
    start = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    if (!ValidUtf8(line)) return fail("the text is not valid UTF-8");
    if (line.find('\0') != std::string_view::npos) return fail("the line holds a NUL character");
    line = TrimWhite(line);
    if (lineNumber == 1) {
      if (line != kRegFileHeader) {
        return fail("the file must start with \"" + std::string(kRegFileHeader) + "\"");
      }
      continue;
    }
    if (line.empty() || line.starts_with(';')) continue;
    std::string why;
    os::RegistryChange change;
    if (line.starts_with('[')) {
      if (!ParseSection(line, change, why)) return fail(why);
      inSection = true;
      sectionRoot = change.root;
      sectionSubkey = change.subkey;
      parsed.push_back(std::move(change));
      continue;
    }
    if (line.starts_with('"') || line.starts_with('@')) {
      if (!inSection) return fail("a value comes before any [KEY] section");
      if (!ParseValue(line, change, why)) return fail(why);
      change.root = sectionRoot;
      change.subkey = sectionSubkey;
      parsed.push_back(std::move(change));
      continue;
    }
    return fail("not a section, a value, a comment or a blank line");
  }
  changes = std::move(parsed);
  return true;
}

std::string QuoteRegString(std::string_view text) {
  std::string out = "\"";
  for (const char ch : text) {
    if (ch == '\\' || ch == '"') out += '\\';
    out += ch;
  }
  out += '"';
  return out;
}

os::StoreStatus ExportRegKey(os::RegistryStore& store, const std::string& root,
                             const std::string& subkey, std::string& out,
                             std::vector<std::string>& skipped) {
  // Depth first with our own stack: a store can be deeper than a thread's
  // stack would like.
  std::vector<std::string> pending = {subkey};
  bool first = true;
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    os::RegistryKeyListing listing;
    const os::StoreStatus status = store.ListKey(root, current, listing);
    if (status != os::StoreStatus::kOk) {
      // A key that went away while we walked is no reason to stop.
      if (!first && status == os::StoreStatus::kNotFound) continue;
      return status;
    }
    first = false;
    const std::string keyText = KeyText(root, current);
    for (auto it = listing.subkeys.rbegin(); it != listing.subkeys.rend(); ++it) {
      if (!Representable(*it) || !ValidUtf8(*it)) {
        skipped.push_back("key " + keyText + "\\" + *it);
        continue;
      }
      pending.push_back(current.empty() ? *it : current + "\\" + *it);
    }
    if (!listing.values.empty() || listing.subkeys.empty()) {
      std::string lines;
      for (const os::RegistryValue& value : listing.values) {
        if (!Representable(value.name) || !ValidUtf8(value.name)) {
          skipped.push_back("value \"" + value.name + "\" of " + keyText);
          continue;
        }
        lines += value.name.empty() ? "@" : QuoteRegString(value.name);
        // What a quoted text cannot carry goes as its bytes, so that import
        // gives back exactly what was stored.
        const bool asText = Representable(value.data) && ValidUtf8(value.data);
        lines += "=" + (asText ? QuoteRegString(value.data) : HexBytes(value.data)) + "\n";
      }
      // The root keys always exist: one without a value written says nothing
      // (an import would make nothing of it).
      if (!current.empty() || !lines.empty()) out += "[" + keyText + "]\n" + lines + "\n";
    }
  }
  return os::StoreStatus::kOk;
}

}  // namespace pavane::tools
