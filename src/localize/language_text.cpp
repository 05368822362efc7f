#include "localize/language_text.h"

#include <algorithm>

#include "platform/text.h"

namespace pavane::localize {
namespace {

using platform::Contains;
using platform::ReplaceAll;
using platform::Split;
using platform::Trim;

constexpr int kMaxPasses = 20;
const std::string kTooDeep =
    "nests variables more than " + std::to_string(LanguageText::kMaxNesting) + " deep";
const std::string kTooLarge =
    "grows beyond " + std::to_string(LanguageText::kMaxValueBytes / 1024) + " KiB";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsVariableName(std::string_view name) {
  return StartsWith(name, "strLoc_") || StartsWith(name, "str_") || StartsWith(name, "strURL_");
}

bool IsCommentOrBlank(std::string_view trimmedLine) {
  return trimmedLine.empty() || trimmedLine.front() == ';';
}

// A variable line split at its separator: "==" when the line holds exactly
// one, else "=".
struct SplitLine {
  std::vector<std::string> parts;
  std::string_view separator;
};

SplitLine SplitVariableLine(std::string_view line) {
  SplitLine split{Split(line, "=="), "=="};
  if (split.parts.size() != 2) split = {Split(line, "="), "="};
  return split;
}

}  // namespace

std::string StripQuotes(std::string_view text) {
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return std::string(text);
}

void LanguageText::SetText(std::string text) {
  text_ = std::move(text);
  codeStrings_.clear();
  firstLine_.clear();
  expansionFault_.clear();
}

const std::string* LanguageText::Resolution::HeldBackIn(std::string_view value) const {
  const std::size_t open = value.find('{');
  const std::size_t close = open == std::string_view::npos ? open : value.find('}', open);
  if (close == std::string_view::npos || heldBack.empty()) return nullptr;
  const auto held = heldBack.find(value.substr(open + 1, close - open - 1));
  return held == heldBack.end() ? nullptr : &held->first;
}

void LanguageText::NoteHeldBack(std::string_view value, const Resolution& resolution) const {
  const std::string* name = resolution.HeldBackIn(value);
  if (name == nullptr || !expansionFault_.empty()) return;
  expansionFault_ =
      "the value of " + *name + " " + resolution.heldBack.at(*name) + "; it stays unresolved";
}

std::string LanguageText::CheckVariables() const {
  // One resolution for all: each value is worked out once, however many
  // others use it. The walk meets values deep down that a lookup of their
  // own resolves from the top: only the size bound is the same wherever a
  // value is met, so only it is told here; a value that a run gets short
  // of its depth is told when the run gets it.
  Resolution resolution;
  for (const auto& [name, line] : firstLine_) {
    const std::string value = Lookup(name, resolution);
    const std::string* held = resolution.HeldBackIn(value);
    if (held != nullptr && resolution.heldBack.at(*held) == kTooLarge) {
      NoteHeldBack(value, resolution);
    }
  }
  return expansionFault_;
}

std::size_t LanguageText::SectionStart(std::string& name) const {
  if (!StartsWith(name, "[[")) name.insert(0, "[[");
  if (name.size() < 2 || name.compare(name.size() - 2, 2, "]]") != 0) name += "]]";
  return text_.find(name);
}

std::vector<std::string> LanguageText::GetSection(std::string& name) const {
  const std::size_t start = SectionStart(name);
  if (start == std::string::npos) return {std::string()};
  const std::size_t next = text_.find("[[", start + 2);
  const std::string_view section =
      std::string_view(text_).substr(start, next == std::string::npos ? next : next - start);

  std::vector<std::string> entries;
  for (const std::string& line : Split(section, kCrLf)) {
    std::string entry = Trim(line);
    if (!IsCommentOrBlank(entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

bool LanguageText::InitCodeStrings() {
  std::string name = "Code_Strings";
  codeStrings_ = GetSection(name);
  IndexCodeStrings();
  return codeStrings_.size() > 4;
}

void LanguageText::IndexCodeStrings() {
  // A line answers to the name before its first "=", trimmed; lines are
  // trimmed already, so each starts with that name. The first one wins.
  firstLine_.clear();
  for (std::size_t i = 0; i < codeStrings_.size(); ++i) {
    const std::string& line = codeStrings_[i];
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    firstLine_.try_emplace(Trim(std::string_view(line).substr(0, equals)), i);
  }
}

std::string LanguageText::GetStrLocValue(std::string_view name) const {
  Resolution resolution;
  std::string value = Lookup(name, resolution);
  NoteHeldBack(value, resolution);
  return value;
}

std::string LanguageText::ProcessLanguageLine(std::string_view line) const {
  Resolution resolution;
  std::string value = ProcessLine(line, resolution);
  NoteHeldBack(value, resolution);
  return value;
}

void LanguageText::ResolveVariables(std::string& text) const {
  Resolution resolution;
  Resolve(text, resolution);
  NoteHeldBack(text, resolution);
}

std::string LanguageText::Lookup(std::string_view name, Resolution& resolution) const {
  const std::string key(name);
  if (const auto done = resolution.done.find(key); done != resolution.done.end()) {
    resolution.height = done->second.height;
    return done->second.value;
  }
  if (key == kServerBaseVariable && !serverBase_.empty()) {
    resolution.height = 1;
    return serverBase_;
  }
  const auto found = firstLine_.find(key);
  resolution.height = 0;
  if (found == firstLine_.end()) return "Error in function GetStrLocValue -- line " + key;

  resolution.active.insert(key);
  std::string value = ProcessLine(codeStrings_[found->second], resolution);
  resolution.active.erase(key);
  const std::size_t height = resolution.height + 1;
  resolution.done.emplace(key, Resolved{value, height});
  resolution.height = height;
  return value;
}

std::string LanguageText::ProcessLine(std::string_view line, Resolution& resolution) const {
  resolution.height = 0;
  const SplitLine split = SplitVariableLine(line);
  if (split.parts.size() != 2) {
    return "Error in function ProcessLanguageLine: " + std::string(line);
  }
  std::string value = StripQuotes(Trim(split.parts[1]));
  if (Contains(value, "{")) Resolve(value, resolution);
  return value;
}

void LanguageText::Resolve(std::string& text, Resolution& resolution) const {
  std::size_t height = 0;
  text = ReplaceAll(text, "{CRLF}", kCrLf);
  for (int pass = 0; pass < kMaxPasses && Contains(text, "{"); ++pass) {
    if (Contains(text, "{#")) {
      if (Contains(text, "{#AppID}")) text = ReplaceAll(text, "{#AppID}", shownAppCode_);
      text = ReplaceAll(text, "{#", ">>>");
    }
    // Only the first placeholder is looked at: one that cannot be resolved
    // holds up the rest until the passes run out.
    const std::size_t open = text.find('{');
    if (open == std::string::npos) break;
    const std::size_t close = text.find('}', open);
    if (close == std::string::npos) continue;
    const std::string name = text.substr(open + 1, close - open - 1);
    const std::string placeholder = "{" + name + "}";

    if (IsVariableName(name)) {
      // A name already being resolved refers back to itself: it stays as it
      // is rather than recursing without end.
      if (resolution.active.contains(name)) continue;
      // Deeper than the bound, a variable is neither looked up (the stack
      // stays small) nor put in when its value was worked out earlier; a
      // pass nearer the top may still put it in.
      const auto holdBack = [&](const std::string& bound) {
        resolution.heldBack.try_emplace(name, bound);
      };
      if (!resolution.done.contains(name) && resolution.active.size() >= kMaxNesting) {
        holdBack(kTooDeep);
        continue;
      }
      const std::string value = Lookup(name, resolution);
      const std::size_t nameHeight = resolution.height;
      if (resolution.active.size() + nameHeight > kMaxNesting) {
        holdBack(kTooDeep);
        continue;
      }
      // A value that still holds its own placeholder came out of a cycle;
      // putting it in would only grow the text with every pass.
      if (value.empty() || Contains(value, placeholder)) continue;
      std::size_t uses = 0;
      for (std::size_t at = text.find(placeholder); at != std::string::npos;
           at = text.find(placeholder, at + placeholder.size())) {
        ++uses;
      }
      // Values that double at each step must not double the memory too.
      if (value.size() > placeholder.size() &&
          (value.size() - placeholder.size()) >
              (kMaxValueBytes - std::min(text.size(), kMaxValueBytes)) / uses) {
        holdBack(kTooLarge);
        continue;
      }
      text = ReplaceAll(text, placeholder, value);
      height = std::max(height, nameHeight);
    }
    if (StartsWith(platform::LowerCase(name), "mnu")) text = ReplaceAll(text, placeholder, name);
  }
  resolution.height = height;
}

bool LanguageText::UsesShownProduct(std::string_view text) const {
  std::set<std::string, std::less<>> seen;
  std::vector<std::string> pending{std::string(text)};
  while (!pending.empty()) {
    const std::string value = std::move(pending.back());
    pending.pop_back();
    if (Contains(value, "{#AppID}")) return true;
    for (std::size_t open = value.find('{'); open != std::string::npos;
         open = value.find('{', open + 1)) {
      const std::size_t close = value.find('}', open);
      if (close == std::string::npos) break;
      const std::string name = value.substr(open + 1, close - open - 1);
      if (!IsVariableName(name) || !seen.insert(name).second) continue;
      const auto found = firstLine_.find(name);
      if (found == firstLine_.end()) continue;
      const SplitLine split = SplitVariableLine(codeStrings_[found->second]);
      if (split.parts.size() == 2) pending.push_back(split.parts[1]);
    }
  }
  return false;
}

bool LanguageText::ResolveAllVariables(std::string& message) {
  message.clear();
  InitCodeStrings();

  std::vector<std::string> lines = Split(text_, kCrLf);
  for (std::string& line : lines) {
    const std::string trimmed = Trim(line);
    if (IsCommentOrBlank(trimmed)) continue;
    const SplitLine split = SplitVariableLine(trimmed);
    if (split.parts.size() != 2) continue;
    std::string value = split.parts[1];
    if (!serverBase_.empty() && Trim(split.parts[0]) == kServerBaseVariable) {
      line = split.parts[0] + std::string(split.separator) + serverBase_;
      continue;
    }
    if (!Contains(value, "{") || Contains(value, "{strLoc_PV_ProductName_{#AppID}}")) continue;
    if (shownAppCode_.empty() && UsesShownProduct(value)) continue;

    // Line breaks and references for later tools must survive resolution;
    // so must the server, which a deployment may move at run time.
    const std::string server = "{" + std::string(kServerBaseVariable) + "}";
    value = ReplaceAll(value, "{CRLF}", "||CRLF|");
    value = ReplaceAll(value, server, "||SERVER|");
    if (!Contains(value, "{#AppID}")) value = ReplaceAll(value, "{#", "||#");
    if (Contains(value, "{")) ResolveVariables(value);
    value = ReplaceAll(value, "||SERVER|", server);
    value = ReplaceAll(value, "||CRLF|", "{CRLF}");
    value = ReplaceAll(value, "||#", "{#");
    value = ReplaceAll(value, ">>>", "{#");
    value = ReplaceAll(value, kCrLf, "{CRLF}");
    line = split.parts[0] + std::string(split.separator) + value;
  }

  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += kCrLf;
    joined += lines[i];
  }
  std::string fault = std::move(expansionFault_);
  SetText(std::move(joined));
  expansionFault_ = std::move(fault);
  return true;
}

}  // namespace pavane::localize
