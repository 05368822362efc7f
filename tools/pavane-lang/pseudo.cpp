// pavane-lang pseudo: the test language xa, made from the English texts.
#include "pseudo.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "lang_tool.h"
#include "os/files.h"

namespace pavane::langtool {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

// An accented look-alike for each ASCII letter, all of them in the fonts the
// screens use.
constexpr std::array<const char*, 26> kLower = {"á", "ƀ", "ç", "ď", "é", "ƒ", "ĝ", "ĥ", "î",
                                                "ĵ", "ķ", "ļ", "ɱ", "ñ", "ö", "þ", "ǫ", "ŕ",
                                                "š", "ţ", "û", "ṽ", "ŵ", "ẋ", "ý", "ž"};
constexpr std::array<const char*, 26> kUpper = {"Á", "Ɓ", "Ç", "Ď", "É", "Ƒ", "Ĝ", "Ĥ", "Î",
                                                "Ĵ", "Ķ", "Ļ", "Ṁ", "Ñ", "Ö", "Þ", "Ǫ", "Ŕ",
                                                "Š", "Ţ", "Û", "Ṽ", "Ŵ", "Ẋ", "Ý", "Ž"};
// What lengthens a text, taken from the front as far as needed.
constexpr std::array<const char*, 27> kFiller = {"ļ", "ö", "ŕ", "é", "ɱ", " ", "î", "þ", "š",
                                                 "û", "ɱ", " ", "ď", "ö", "ļ", "ö", "ŕ", " ",
                                                 "š", "î", "ţ", " ", "á", "ɱ", "é", "ţ", " "};

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters, not bytes, of UTF-8 text.
std::size_t Characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Where the placeholder that opens at `at` ends (one past its "}"); npos
// when it is never closed.
std::size_t PlaceholderEnd(std::string_view text, std::size_t at) {
  int depth = 0;
  for (std::size_t i = at; i < text.size(); ++i) {
    if (text[i] == '{') ++depth;
    if (text[i] == '}' && --depth == 0) return i + 1;
  }
  return std::string_view::npos;
}

// Where the character reference that starts at `at` ends; npos when there
// is none.
std::size_t ReferenceEnd(std::string_view text, std::size_t at) {
  std::size_t i = at + 1;
  if (i < text.size() && text[i] == '#') ++i;
  const std::size_t first = i;
  while (i < text.size() && i - first < 32 &&
         (IsLetter(text[i]) || (text[i] >= '0' && text[i] <= '9'))) {
    ++i;
  }
  return i > first && i < text.size() && text[i] == ';' ? i + 1 : std::string_view::npos;
}

struct Piece {
  std::string_view text;
  bool kept;
};

std::vector<Piece> Pieces(std::string_view text, bool markup) {
  std::vector<Piece> pieces;
  std::size_t literal = 0;
  const auto keep = [&](std::size_t from, std::size_t to) {
    if (from > literal) pieces.push_back({text.substr(literal, from - literal), false});
    pieces.push_back({text.substr(from, to - from), true});
    literal = to;
  };
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = std::string_view::npos;
    if (text[i] == '{') end = PlaceholderEnd(text, i);
    if (markup && text[i] == '&') end = ReferenceEnd(text, i);
    if (end == std::string_view::npos) {
      ++i;
      continue;
    }
    keep(i, end);
    i = end;
  }
  if (literal < text.size()) pieces.push_back({text.substr(literal), false});
  return pieces;
}

// Accents the letters of `text`, word by word, leaving addresses alone.
void Accent(std::string_view text, std::string& out) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t wordEnd = std::min(text.find_first_of(kBlanks, i), text.size());
    const std::string_view word = text.substr(i, wordEnd - i);
    const bool address = word.find('@') != word.npos || word.find("://") != word.npos;
    for (char c : word) {
      if (address || !IsLetter(c)) {
        out += c;
      } else {
        out += c >= 'a' ? kLower[static_cast<std::size_t>(c - 'a')]
                        : kUpper[static_cast<std::size_t>(c - 'A')];
      }
    }
    const std::size_t next = std::min(text.find_first_not_of(kBlanks, wordEnd), text.size());
    out.append(text.substr(wordEnd, next - wordEnd));
    i = next;
  }
}

// A quoted value keeps its quotes (the program strips one pair) outside the
// brackets.
std::string PseudoValue(std::string_view value) {
  const std::size_t first = value.find_first_not_of(kBlanks);
  if (first == value.npos) return std::string(value);
  const std::size_t last = value.find_last_not_of(kBlanks);
  if (last > first && value[first] == '"' && value[last] == '"') {
    return std::string(value.substr(0, first + 1)) +
           PseudoText(value.substr(first + 1, last - first - 1)) + std::string(value.substr(last));
  }
  return PseudoText(value);
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == text.npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The pseudo form of one line of a source; `variables` tells a variable
// section from a screen section.
std::string PseudoLine(std::string_view line, bool variables) {
  const std::string_view entry = Trimmed(line);
  if (entry.empty() || entry.front() == ';' || line.find("[[") != line.npos) {
    return std::string(line);
  }
  // The separator as the program reads it: "==" when the line holds exactly
  // one, else exactly one "=".
  std::size_t at = line.find("==");
  std::size_t width = 2;
  if (at == line.npos || line.find("==", at + 2) != line.npos) {
    at = line.find('=');
    width = 1;
    if (at == line.npos || line.find('=', at + 1) != line.npos) return std::string(line);
  }
  const std::string_view name = Trimmed(line.substr(0, at));
  bool text = false;
  if (variables) {
    // Product names are never translated.
    text = name.starts_with("strLoc_") && !name.starts_with("strLoc_PV_ProductName_");
  } else {
    text = width == 1 && (name.ends_with(".Caption") || name.ends_with(".ToolTipText") ||
                          name.ends_with(".Text"));
  }
  if (!text) return std::string(line);
  return std::string(line.substr(0, at + width)) + PseudoValue(line.substr(at + width));
}

// --- Pages.

struct Edit {
  std::size_t at;
  std::size_t length;
  std::string text;
};

const GumboAttribute* Attribute(const GumboElement& element, const char* name) {
  return gumbo_get_attribute(&element.attributes, name);
}

void EditPage(const GumboNode* root, std::string_view page,
              const std::set<std::string>& sharedFiles, std::vector<Edit>& edits) {
  std::vector<const GumboNode*> pending{root};
  while (!pending.empty()) {
    const GumboNode* node = pending.back();
    pending.pop_back();
    if (node->type == GUMBO_NODE_TEXT) {
      const GumboStringPiece& raw = node->v.text.original_text;
      const auto at = static_cast<std::size_t>(raw.data - page.data());
      if (raw.data < page.data() || at + raw.length > page.size()) continue;
      std::string changed = PseudoText(page.substr(at, raw.length), true);
      if (changed != page.substr(at, raw.length)) edits.push_back({at, raw.length, changed});
      continue;
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) continue;
    if (node->type == GUMBO_NODE_ELEMENT) {
      const GumboElement& element = node->v.element;
      for (const char* name : {"src", "href"}) {
        const GumboAttribute* reference = Attribute(element, name);
        if (reference == nullptr || !sharedFiles.contains(reference->value)) continue;
        const std::string_view quote =
            reference->original_value.length > 0 && (reference->original_value.data[0] == '"' ||
                                                     reference->original_value.data[0] == '\'')
                ? std::string_view(reference->original_value.data, 1)
                : std::string_view();
        edits.push_back(
            {reference->value_start.offset, reference->original_value.length,
             std::string(quote) + "../shared/" + reference->value + std::string(quote)});
      }
      if (element.tag == GUMBO_TAG_SCRIPT || element.tag == GUMBO_TAG_STYLE ||
          element.tag == GUMBO_TAG_TEXTAREA || element.tag == GUMBO_TAG_TEMPLATE) {
        continue;
      }
      const GumboAttribute* id = Attribute(element, "id");
      if (element.tag == GUMBO_TAG_SELECT && id != nullptr &&
          std::string_view(id->value) == "language" && element.original_end_tag.length > 0) {
        edits.push_back({element.end_pos.offset, 0,
                         std::string("<option value=\"") + kPseudoLanguage + "\" selected>" +
                             PseudoText("Pseudo language") + "</option>\n  "});
      }
    }
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned i = children.length; i > 0; --i) {
      pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
    }
  }
}

// --- Files.

constexpr std::uint64_t kMaxPageBytes = 4 * 1024 * 1024;

bool Read(const std::filesystem::path& file, std::string& bytes,
          std::uint64_t limit = os::kMaxTextFileBytes) {
  os::FileError error;
  if (os::ReadFileBytes(file.string(), limit, bytes, error)) return true;
  std::fprintf(stderr, "%s: %s\n", file.c_str(), error.description.c_str());
  return false;
}

bool Write(const std::filesystem::path& file, std::string_view bytes) {
  os::FileError error;
  if (os::WriteFileAtomically(file.string(), bytes, error)) return true;
  std::fprintf(stderr, "%s: %s\n", file.c_str(), error.description.c_str());
  return false;
}

bool MakeFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error) return true;
  std::fprintf(stderr, "%s: %s\n", folder.c_str(), error.message().c_str());
  return false;
}

std::vector<std::filesystem::path> Files(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool IsPage(const std::filesystem::path& file) {
  const std::string extension = file.extension().string();
  return extension == ".htm" || extension == ".html";
}

// The pages of `from` made pseudo into `to`, every other file (pictures)
// copied as it is, except the shared ones that the pages now point at.
bool PseudoFolder(const std::filesystem::path& from, const std::filesystem::path& to,
                  const std::set<std::string>& sharedFiles, int& written) {
  if (!MakeFolder(to)) return false;
  for (const auto& file : Files(from)) {
    if (!IsPage(file) && sharedFiles.contains(file.filename().string())) continue;
    std::string bytes;
    if (IsPage(file)) {
      if (!Read(file, bytes, kMaxPageBytes)) return false;
      if (!Write(to / file.filename(), PseudoPage(bytes, sharedFiles))) return false;
    } else {
      std::error_code error;
      std::filesystem::copy_file(file, to / file.filename(),
                                 std::filesystem::copy_options::overwrite_existing, error);
      if (error) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), error.message().c_str());
        return false;
      }
    }
    ++written;
  }
  return true;
}

// The pages below `html` (the folder installed as "HTML Screens"): the
// screens from Pavane/localized/shared with the English pictures, and every
// English folder of the legal documents.
bool PseudoPages(const std::filesystem::path& html, int& written) {
  const std::filesystem::path screens = html / "Pavane" / "localized";
  if (!std::filesystem::is_directory(screens / "shared")) {
    std::fprintf(stderr, "%s: no such folder\n", (screens / "shared").c_str());
    return false;
  }
  std::set<std::string> shared;
  for (const auto& file : Files(screens / "shared")) {
    if (!IsPage(file)) shared.insert(file.filename().string());
  }
  const std::filesystem::path own = screens / kPseudoLanguage;
  if (!PseudoFolder(screens / "shared", own, shared, written) ||
      !PseudoFolder(screens / "en" / "images", own / "images", {}, written)) {
    return false;
  }
  // Found first, written after: the walk does not meet its own output.
  std::vector<std::filesystem::path> english;
  std::error_code error;
  for (auto entry = std::filesystem::recursive_directory_iterator(html / "Legal Files", error);
       !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
    if (entry->is_directory() && entry->path().filename() == "en") english.push_back(entry->path());
  }
  return std::all_of(english.begin(), english.end(), [&](const std::filesystem::path& folder) {
    return PseudoFolder(folder, folder.parent_path() / kPseudoLanguage, {}, written);
  });
}

}  // namespace

std::string PseudoText(std::string_view text, bool markup) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == text.npos) return std::string(text);
  const std::size_t last = text.find_last_not_of(kBlanks);
  const std::string_view core = text.substr(first, last - first + 1);

  const std::vector<Piece> pieces = Pieces(core, markup);
  std::size_t length = 0;
  bool letters = false;
  for (const Piece& piece : pieces) {
    if (piece.kept) continue;
    length += Characters(piece.text);
    letters = letters || std::any_of(piece.text.begin(), piece.text.end(), IsLetter);
  }
  if (!letters) return std::string(text);

  std::string out(text.substr(0, first));
  out += '[';
  for (const Piece& piece : pieces) {
    if (piece.kept) {
      out.append(piece.text);
    } else {
      Accent(piece.text, out);
    }
  }
  // Four tenths more, rounded up; a short padding is plain tildes.
  const std::size_t extra = (length * 2 + 4) / 5;
  if (extra < 4) {
    out.append(extra, '~');
  } else {
    out += ' ';
    for (std::size_t i = 0; i + 1 < extra; ++i) out += kFiller[i % kFiller.size()];
    if (out.back() == ' ') out.back() = '~';  // the bracket ends the text visibly
  }
  out += ']';
  out.append(text.substr(last + 1));
  return out;
}

std::string PseudoSource(std::string_view source) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  std::string out;
  if (source.starts_with(kMark)) {
    out += kMark;
    source.remove_prefix(kMark.size());
  }
  const std::string_view end = source.find("\r\n") != source.npos ? "\r\n" : "\n";
  out += "; Made by pavane-lang pseudo from the English source; edit that one instead.";
  out += end;
  bool variables = false;
  while (!source.empty()) {
    const std::size_t feed = source.find('\n');
    std::string_view line = source.substr(0, feed);
    source.remove_prefix(feed == source.npos ? source.size() : feed + 1);
    const bool cr = line.ends_with('\r');
    if (cr) line.remove_suffix(1);
    if (line.find("[[") != line.npos) variables = line.find("Code_Strings]]") != line.npos;
    out += PseudoLine(line, variables);
    if (cr) out += '\r';
    if (feed != std::string_view::npos) out += '\n';
  }
  return out;
}

std::string PseudoPage(std::string_view page, const std::set<std::string>& sharedFiles) {
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
  std::vector<Edit> edits;
  EditPage(output->document, page, sharedFiles, edits);
  gumbo_destroy_output(&kGumboDefaultOptions, output);

  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
  std::string out;
  std::size_t done = 0;
  for (const Edit& edit : edits) {
    if (edit.at < done) continue;  // overlapping: the first one stands
    out.append(page.substr(done, edit.at - done));
    out += edit.text;
    done = edit.at + edit.length;
  }
  out.append(page.substr(done));
  return out;
}

int Pseudo(const std::string& root, const std::string& pagesFolder) {
  const std::filesystem::path sources = std::filesystem::path(root) / "localized" / "SourceCode";
  const std::filesystem::path own = sources / kPseudoLanguage;
  int written = 0;
  // With pages to write, a root without sources is no error: the pages can
  // be made on their own.
  const bool haveSources = std::filesystem::is_directory(sources / "en");
  if (!haveSources && pagesFolder.empty()) {
    std::fprintf(stderr, "%s: no such folder\n", (sources / "en").c_str());
    return 1;
  }
  if (haveSources) {
    if (!MakeFolder(own)) return 1;
    for (const auto& file : Files(sources / "en")) {
      std::string bytes;
      if (!Read(file, bytes) || !Write(own / file.filename(), PseudoSource(bytes))) return 1;
      ++written;
    }
  }
  if (!pagesFolder.empty() && !PseudoPages(pagesFolder, written)) return 1;
  std::printf("%s: %d files written\n", kPseudoLanguage, written);
  return 0;
}

}  // namespace pavane::langtool
