#include "os/gtk/caption_text.h"

#include <glib.h>

#include <cctype>
#include <optional>
#include <vector>

namespace pavane::os::gtk {
namespace {

enum class TagKind { kColor, kUnderline };

struct Tag {
  TagKind kind;
  bool closing = false;
  std::string color;  // RRGGBB of an opening colour tag
  std::size_t length = 0;
};

// The marker tag that starts at `at`, if one does.
std::optional<Tag> TagAt(std::string_view text, std::size_t at) {
  const std::string_view rest = text.substr(at);
  if (rest.starts_with("<u>")) return Tag{TagKind::kUnderline, false, "", 3};
  if (rest.starts_with("</u>")) return Tag{TagKind::kUnderline, true, "", 4};
  if (rest.starts_with("</forecolor>")) return Tag{TagKind::kColor, true, "", 12};
  constexpr std::string_view kColorOpen = "<forecolor=";
  if (rest.starts_with(kColorOpen) && rest.size() >= kColorOpen.size() + 7 &&
      rest[kColorOpen.size() + 6] == '>') {
    const std::string_view digits = rest.substr(kColorOpen.size(), 6);
    for (const char digit : digits) {
      if (!std::isxdigit(static_cast<unsigned char>(digit))) return std::nullopt;
    }
    return Tag{TagKind::kColor, false, std::string(digits), kColorOpen.size() + 7};
  }
  return std::nullopt;
}

std::string Escaped(std::string_view text) {
  gchar* escaped = g_markup_escape_text(text.data(), static_cast<gssize>(text.size()));
  std::string result = escaped;
  g_free(escaped);
  return result;
}

const char* ClosingMarkup(TagKind kind) {
  return kind == TagKind::kColor ? "</span>" : "</u>";
}

}  // namespace

std::string LinkCaptionMarkup(std::string_view caption) {
  std::string markup;
  std::vector<TagKind> open;
  std::size_t textStart = 0;
  const auto flushText = [&](std::size_t end) {
    markup += Escaped(caption.substr(textStart, end - textStart));
  };
  for (std::size_t at = 0; at < caption.size();) {
    const auto tag = caption[at] == '<' ? TagAt(caption, at) : std::nullopt;
    // A closing tag that does not close the innermost open one is text.
    if (!tag || (tag->closing && (open.empty() || open.back() != tag->kind))) {
      ++at;
      continue;
    }
    flushText(at);
    if (tag->closing) {
      markup += ClosingMarkup(tag->kind);
      open.pop_back();
    } else {
      markup += tag->kind == TagKind::kColor ? "<span foreground=\"#" + tag->color + "\">" : "<u>";
      open.push_back(tag->kind);
    }
    at += tag->length;
    textStart = at;
  }
  flushText(caption.size());
  for (auto it = open.rbegin(); it != open.rend(); ++it) markup += ClosingMarkup(*it);
  return markup;
}

std::string MnemonicCaption(std::string_view caption) {
  std::string result;
  for (std::size_t at = 0; at < caption.size(); ++at) {
    const char c = caption[at];
    if (c == '_') {
      result += "__";
    } else if (c == '&' && at + 1 < caption.size()) {
      const char next = caption[++at];
      if (next == '&') {
        result += '&';
      } else {
        result += '_';
        result += next == '_' ? "__" : std::string(1, next);
      }
    } else {
      result += c;
    }
  }
  return result;
}

std::string AccessibleCaption(std::string_view caption, bool linkLabel) {
  std::string result;
  for (std::size_t at = 0; at < caption.size();) {
    if (linkLabel && caption[at] == '<') {
      if (const auto tag = TagAt(caption, at)) {
        at += tag->length;
        continue;
      }
    }
    if (!linkLabel && caption[at] == '&' && at + 1 < caption.size()) ++at;
    result += caption[at];
    ++at;
  }
  return result;
}

}  // namespace pavane::os::gtk
