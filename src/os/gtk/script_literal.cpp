#include "os/gtk/script_literal.h"

#include <cstdint>
#include <cstdio>

namespace pavane::os::gtk {
namespace {

// Length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const auto continuation = [&](std::size_t i) {
    return at + i < text.size() && (byte(i) & 0xC0) == 0x80;
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    // Overlong forms and UTF-16 surrogates are not characters.
    if (lead == 0xE0 && byte(1) < 0xA0) return 0;
    if (lead == 0xED && byte(1) >= 0xA0) return 0;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    if (lead == 0xF0 && byte(1) < 0x90) return 0;
    if (lead == 0xF4 && byte(1) >= 0x90) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

std::string ScriptLiteral(std::string_view text) {
  std::string literal = "\"";
  literal.reserve(text.size() + 2);
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const std::size_t length = SequenceLength(text, at);
    if (length == 0) {
      literal += "\\uFFFD";
      ++at;
      continue;
    }
    if (length == 3 && text.compare(at, 2, "\xE2\x80") == 0 &&
        (text[at + 2] == '\xA8' || text[at + 2] == '\xA9')) {
      literal += text[at + 2] == '\xA8' ? "\\u2028" : "\\u2029";
    } else if (length > 1) {
      literal.append(text, at, length);
    } else if (c == '"' || c == '\\') {
      literal += '\\';
      literal += c;
    } else if (c == '\n') {
      literal += "\\n";
    } else if (c == '\r') {
      literal += "\\r";
    } else if (c == '\t') {
      literal += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      literal += escaped;
    } else if (c == '<' && at + 1 < text.size() && text[at + 1] == '/') {
      literal += "<\\/";
      ++at;  // the slash is written already
    } else {
      literal += c;
    }
    at += length;
  }
  literal += '"';
  return literal;
}

}  // namespace pavane::os::gtk
