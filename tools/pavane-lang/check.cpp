// pavane-lang check: everything a translator can get wrong that the program
// would only show as an odd caption or an error text on some screen.
//
// The language is put together by the program's own build, both as a plain
// build and resolved as it ships, and every screen's statements run on the
// screen's window design for every product, through the program's own
// caption code. What they would show is then judged, and each problem is
// traced back to the source line it came from.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "lang_tool.h"
#include "localize/captions.h"
#include "localize/language_loader.h"
#include "localize/language_text.h"
#include "localize/language_variables.h"
#include "os/files.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "screens/host/form_designs.h"

namespace pavane::langtool {
namespace {

using platform::Contains;
using platform::Trim;

constexpr const char* kProducts[] = {"OL", "SW", "PT"};
constexpr std::string_view kReferenceLanguage = "en";
constexpr std::string_view kAppendedMarker = ";### Appended File: ";

struct Place {
  std::string file;
  int line = 0;
  bool operator==(const Place&) const = default;
};

std::string Where(const Place& place) {
  return place.file + ":" + std::to_string(place.line);
}

struct Variable {
  std::string name;
  std::string line;  // the entry as written
  Place place;
};

struct Header {
  std::string name;
  Place place;
};

// A statement as the source shows it, under the header it stands below.
struct Statement {
  std::string section;
  std::string entry;
  Place place;
  std::size_t header = 0;  // index into Sources::headers
  bool ran = false;
};

struct Sources {
  std::string loaderFile;
  bool complete = true;  // every listed source could be read
  std::vector<localize::LanguageLoader::ListedSource> listed;
  std::map<std::string, std::vector<std::string>> lines;  // by path, as the build reads them
  std::vector<Variable> variables;                        // in file order
  std::vector<Header> headers;
  std::vector<Statement> statements;
};

class Problems {
 public:
  explicit Problems(bool quiet = false) : quiet_(quiet) {}
  void Add(const Place& place, const std::string& text) {
    if (seen_.insert(Where(place) + text).second) {
      if (!quiet_) std::printf("%s: %s\n", Where(place).c_str(), text.c_str());
      ++count_;
    }
  }
  // Worth knowing, not wrong.
  void Note(const Place& place, const std::string& text) const {
    if (!quiet_) std::printf("%s: note: %s\n", Where(place).c_str(), text.c_str());
  }
  int Count() const { return count_; }

 private:
  bool quiet_;
  std::set<std::string> seen_;
  int count_ = 0;
};

bool IsCodeStringsSection(std::string_view name) {
  return name.size() >= 13 && name.substr(name.size() - 13) == "_Code_Strings";
}

std::string SectionName(const std::string& trimmed) {
  const std::size_t close = trimmed.find("]]");
  return trimmed.substr(2, close == std::string::npos ? std::string::npos : close - 2);
}

// The variable line split the way the program splits it; empty name when the
// line has no usable separator.
std::string VariableName(const std::string& entry) {
  std::vector<std::string> parts = platform::Split(entry, "==");
  if (parts.size() != 2) parts = platform::Split(entry, "=");
  return parts.size() == 2 ? Trim(parts[0]) : std::string();
}

// The line a reader's message names ("... in line 7"), or 0.
int LineOf(const std::string& message) {
  const std::size_t at = message.rfind(" in line ");
  return at == std::string::npos ? 0 : std::atoi(message.c_str() + at + 9);
}

// Files whose lines end in LF alone are read as the build reads them; the
// translator hears which line ends a file has when they are not CR LF.
void NoteLineEnds(const std::string& path, const localize::LineEnds& ends,
                  const Problems& problems) {
  if (ends.lf == 0) return;
  problems.Note({path, 0}, ends.crlf == 0
                               ? "LF line ends, read as CR LF"
                               : "mixed line ends (" + std::to_string(ends.crlf) + " CR LF, " +
                                     std::to_string(ends.lf) + " LF), all read as CR LF");
}

void ReadSource(const std::string& path, Sources& sources, Problems& problems) {
  std::string text;
  std::string message;
  localize::LineEnds ends;
  if (!localize::ReadLanguageSourceFile(path, false, text, message, &ends)) {
    problems.Add({path, LineOf(message)}, message);
    sources.complete = false;
    return;
  }
  NoteLineEnds(path, ends, problems);
  std::vector<std::string>& lines = sources.lines[path];
  lines = platform::Split(text, localize::kCrLf);

  std::string section;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Place place{path, static_cast<int>(i + 1)};
    const std::string entry = Trim(lines[i]);
    if (entry.empty() || entry.front() == ';') continue;
    if (entry.rfind("[[", 0) == 0) {
      section = SectionName(entry);
      sources.headers.push_back({section, place});
      continue;
    }
    if (Contains(entry, "[[")) {
      problems.Add(place, "\"[[\" inside an entry ends its section there");
    }
    if (section.empty()) {
      problems.Add(place, "entry outside any section");
    } else if (IsCodeStringsSection(section)) {
      if (Contains(entry, ";+++")) continue;
      const std::string name = VariableName(entry);
      if (name.empty()) {
        problems.Add(place,
                     "not a variable line: needs one \"=\", or one \"==\" before a value "
                     "that holds \"=\"");
        continue;
      }
      sources.variables.push_back({name, entry, place});
    } else {
      sources.statements.push_back({section, entry, place, sources.headers.size() - 1});
    }
  }
}

RunSettings SettingsFor(const std::string& root, const std::string& language, bool resolve) {
  std::string folder = std::filesystem::absolute(root).lexically_normal().string();
  if (folder.back() != '/') folder += '/';
  RunSettings settings;
  settings.ParentFolder = folder;
  settings.ParentLocalizedFolder = folder + "localized/";
  settings.LanguageCode = language;
  settings.ProductionMode = false;
  settings.ResolveMode = resolve;
  return settings;
}

bool ReadLanguage(const std::string& root, const std::string& language, Sources& sources,
                  Problems& problems) {
  const RunSettings settings = SettingsFor(root, language, false);
  localize::LanguageText text(settings.ShownAppCode);
  localize::LanguageLoader loader(settings, text);
  sources.loaderFile = loader.LoaderFilePath();

  std::string message;
  if (!loader.ListSources(sources.listed, message)) {
    problems.Add({sources.loaderFile, LineOf(message)}, message);
    return false;
  }
  std::string loaderText;
  localize::LineEnds ends;
  if (localize::ReadLanguageSourceFile(sources.loaderFile, true, loaderText, message, &ends)) {
    NoteLineEnds(sources.loaderFile, ends, problems);
  }
  for (const auto& source : sources.listed) {
    const std::string path = platform::NativePath(source.path);
    if (!os::FileExists(path)) {
      problems.Add({sources.loaderFile, source.loaderLine}, "no such source: " + path);
      sources.complete = false;
      continue;
    }
    ReadSource(path, sources, problems);
  }
  return true;
}

// One language as the program would load it: the text a build gives and,
// for each of its lines, the source line it came from.
struct Built {
  std::string text;
  std::vector<Place> origins;
};

// Follows each piece of the assembled text through its source's lines; a
// build only drops lines, so the first equal line on is the one. A source
// that ends without a line break has its last line joined to the build's
// marker; that line is the source's last.
std::vector<Place> Origins(const localize::LanguageLoader& loader, const Sources& sources) {
  const std::vector<std::string> built = platform::Split(loader.AssembledText(), localize::kCrLf);
  std::vector<Place> origins(built.size());
  const auto& pieces = loader.Pieces();
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    const auto found = sources.lines.find(pieces[p].path);
    if (found == sources.lines.end()) continue;
    const std::vector<std::string>& lines = found->second;
    const std::size_t end = p + 1 < pieces.size() ? pieces[p + 1].firstLine : built.size();
    std::size_t cursor = 0;
    for (std::size_t b = pieces[p].firstLine; b < end && b < built.size(); ++b) {
      origins[b].file = pieces[p].path;
      const auto match =
          std::find(lines.begin() + static_cast<long>(cursor), lines.end(), built[b]);
      if (match != lines.end()) {
        cursor = static_cast<std::size_t>(match - lines.begin()) + 1;
        origins[b].line = static_cast<int>(cursor);
      } else if (built[b].find(kAppendedMarker) != std::string::npos &&
                 built[b].find(kAppendedMarker) > 0) {
        origins[b].line = static_cast<int>(lines.size());
      }
    }
  }
  return origins;
}

bool Assemble(const std::string& root, const std::string& language, bool resolve,
              const Sources& sources, Built& built, Problems& problems) {
  const RunSettings settings = SettingsFor(root, language, resolve);
  localize::LanguageText text(settings.ShownAppCode);
  localize::LanguageLoader loader(settings, text);
  std::string message;
  if (!loader.AssembleLanguageFile(sources.listed, message)) {
    problems.Add({sources.loaderFile, 0}, message);
    return false;
  }
  built.text = loader.AssembledText();
  // Resolving changes values, never lines, so the plain build's origins
  // serve the resolved one.
  if (!resolve) built.origins = Origins(loader, sources);
  return true;
}

std::size_t LineAt(const std::string& text, std::size_t offset) {
  return static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

// The lines of `text` that hold the entries of the section GetSection finds
// at `start`, header first, by the same rules (trimmed, neither blank nor a
// comment, up to the next "[[").
std::vector<std::size_t> EntryLines(const std::string& text, std::size_t start) {
  std::vector<std::size_t> lines;
  const std::size_t next = text.find("[[", start + 2);
  const std::size_t end = next == std::string::npos ? text.size() : next;
  std::size_t line = LineAt(text, start);
  for (std::size_t at = start; at < end; ++line) {
    std::size_t stop = text.find(localize::kCrLf, at);
    if (stop == std::string::npos || stop > end) stop = end;
    const std::string entry = Trim(std::string_view(text).substr(at, stop - at));
    if (!entry.empty() && entry.front() != ';') lines.push_back(line);
    at = stop + localize::kCrLf.size();
  }
  return lines;
}

// Names referred to by "{name}" in a value, with "{#AppID}" read as each
// product in turn.
std::set<std::string> References(const std::string& value) {
  std::set<std::string> names;
  for (const char* product : kProducts) {
    const std::string text = platform::ReplaceAll(value, "{#AppID}", product);
    for (std::size_t open = text.find('{'); open != std::string::npos;
         open = text.find('{', open + 1)) {
      const std::size_t close = text.find_first_of("{}", open + 1);
      if (close == std::string::npos || text[close] != '}') continue;
      const std::string name = text.substr(open + 1, close - open - 1);
      if (name.rfind("str", 0) == 0) names.insert(name);
    }
  }
  return names;
}

// What is wrong with a text the program would show, or "".
std::string ShownFault(const std::string& value, const localize::LanguageText& text) {
  const std::size_t missing = value.find("Error in function GetStrLocValue -- line ");
  if (missing != std::string::npos) {
    const std::size_t from = missing + 41;
    return "refers to an undefined variable: " +
           value.substr(from, value.find_first_of(" }\r", from) - from);
  }
  if (Contains(value, "Error in function")) return "shows an error text: " + value;
  const std::size_t open = value.find('{');
  if (open != std::string::npos) {
    std::string fault = "placeholder left unresolved: " + value;
    const std::size_t close = value.find('}', open);
    if (close != std::string::npos) {
      const std::string name = value.substr(open + 1, close - open - 1);
      const auto& table = text.CodeStrings();
      const bool defined = std::any_of(table.begin() + 1, table.end(), [&](const std::string& l) {
        return VariableName(l) == name;
      });
      if (defined && text.GetStrLocValue(name).empty()) fault += " (" + name + " is empty)";
    }
    return fault;
  }
  return {};
}

void CheckVariables(const Sources& sources, const std::vector<const Built*>& variants,
                    Problems& problems) {
  std::map<std::string, const Variable*> first;
  for (const Variable& variable : sources.variables) {
    const auto [found, added] = first.emplace(variable.name, &variable);
    if (!added) {
      problems.Add(variable.place, variable.name + " is defined again; the first one at line " +
                                       std::to_string(found->second->place.line) + " is used");
    }
  }
  for (const std::string& name : localize::RequiredVariableNames()) {
    if (!first.contains(name)) {
      problems.Add({sources.loaderFile, 0}, "the program needs " + name + ", which is not defined");
    }
  }

  // Cycles, each reported once at the variable where it was found.
  std::map<std::string, int> state;  // 1 on the path, 2 finished
  std::vector<std::string> path;
  std::function<void(const std::string&)> visit = [&](const std::string& name) {
    state[name] = 1;
    path.push_back(name);
    const auto variable = first.find(name);
    if (variable != first.end()) {
      for (const std::string& next : References(variable->second->line)) {
        if (state[next] == 1) {
          std::string cycle;
          for (auto at = std::find(path.begin(), path.end(), next); at != path.end(); ++at) {
            cycle += *at + " -> ";
          }
          problems.Add(first.at(next)->place, "cycle: " + cycle + next);
        } else if (state[next] == 0 && first.contains(next)) {
          visit(next);
        }
      }
    }
    path.pop_back();
    state[name] = 2;
  };
  for (const auto& [name, variable] : first) {
    if (state[name] == 0) visit(name);
  }

  // Every value resolves, for every product, in the plain and the resolved
  // build; each variable is named once, with the first product it fails for.
  std::set<std::string> faulty;
  for (const Built* built : variants) {
    for (const char* product : kProducts) {
      const std::string shown = product;
      localize::LanguageText text(shown);
      text.SetText(built->text);
      text.InitCodeStrings();
      for (const auto& [name, variable] : first) {
        if (faulty.contains(name)) continue;
        const std::string value = text.GetStrLocValue(name);
        std::string fault = ShownFault(value, text);
        if (fault.empty()) continue;
        faulty.insert(name);
        if (fault.starts_with("placeholder")) fault += " (for " + shown + ")";
        problems.Add(variable->place, fault);
      }
    }
  }
}

std::vector<std::string> ScreenSections() {
  std::vector<std::string> sections = {"PVCommon"};
  for (std::string_view form : screens::LocalizedFormNames()) {
    sections.push_back("PV_" + std::string(form));
    for (const char* product : kProducts) {
      sections.push_back(std::string(product) + "-PV_" + std::string(form));
    }
  }
  return sections;
}

// Runs every screen for every product on both builds as the program does,
// and judges each statement by what it does and what it would show.
void CheckScreens(Sources& sources, const Built& plain, const Built& resolved, Problems& problems) {
  const std::vector<std::string> screenSections = ScreenSections();
  {
    localize::LanguageText text(std::string{});
    text.SetText(plain.text);
    for (std::string section : screenSections) {
      if (text.SectionStart(section) == std::string::npos) {
        problems.Add({sources.loaderFile, 0}, "screen section " + section + " is missing");
      }
    }
  }

  // Headers that no screen reaches: unknown names, and those that
  // GetSection finds elsewhere first.
  std::set<std::size_t> dead;
  {
    localize::LanguageText text(std::string{});
    text.SetText(plain.text);
    for (std::size_t h = 0; h < sources.headers.size(); ++h) {
      const Header& header = sources.headers[h];
      if (IsCodeStringsSection(header.name)) continue;
      if (std::find(screenSections.begin(), screenSections.end(), header.name) ==
          screenSections.end()) {
        problems.Add(header.place, "section [[" + header.name + "]] belongs to no screen");
        dead.insert(h);
        continue;
      }
      std::string name = header.name;
      const std::size_t start = text.SectionStart(name);
      if (start == std::string::npos) continue;
      const Place found = plain.origins[LineAt(plain.text, start)];
      if (found == header.place) continue;
      dead.insert(h);
      const bool isHeader = std::any_of(sources.headers.begin(), sources.headers.end(),
                                        [&](const Header& other) { return other.place == found; });
      problems.Add(header.place,
                   isHeader
                       ? name + " is given again; only the first, at " + Where(found) + ", runs"
                       : name + " is named first at " + Where(found) +
                             " (a comment or an entry), so this section never runs");
    }
  }

  std::map<Place, Statement*, bool (*)(const Place&, const Place&)> byPlace(
      [](const Place& a, const Place& b) {
        return std::tie(a.file, a.line) < std::tie(b.file, b.line);
      });
  for (Statement& statement : sources.statements) byPlace[statement.place] = &statement;

  // What the plain build shows, to hold the resolved build against.
  std::map<std::tuple<std::string, std::string, std::string, std::size_t>, std::string> shown;
  for (const Built* built : {&plain, &resolved}) {
    const bool isResolved = built == &resolved;
    for (const char* product : kProducts) {
      const std::string code = product;
      localize::LanguageText text(code);
      text.SetText(built->text);
      text.InitCodeStrings();
      for (std::string_view formName : screens::LocalizedFormNames()) {
        const std::string form(formName);
        auto design = screens::CreateFormDesign(form);
        vbscript::Engine engine;
        localize::InitScriptControl(*design, engine);
        std::string app = code + "-PV_" + form;
        std::string screen = "PV_" + form;
        std::string message;
        localize::SetCaptions(
            engine, text, app, screen, message, [&](const localize::StatementRun& run) {
              std::string section = run.section;
              const std::size_t start = text.SectionStart(section);
              const std::vector<std::size_t> lines = EntryLines(built->text, start);
              const Place place = run.index < lines.size() ? built->origins[lines[run.index]]
                                                           : Place{sources.loaderFile, 0};
              if (const auto statement = byPlace.find(place); statement != byPlace.end()) {
                statement->second->ran = true;
              }
              if (!run.error.empty()) problems.Add(place, "on " + form + ": " + run.error);
              std::string fault = ShownFault(run.resolved, text);
              if (Contains(run.resolved, ">>>")) {
                fault = "a {#...} reference is never filled in on a screen: " + run.resolved;
              }
              if (!fault.empty()) problems.Add(place, "on " + form + " " + fault);
              const auto key = std::make_tuple(code, form, run.section, run.index);
              if (!isResolved) {
                shown[key] = run.resolved;
              } else if (const auto before = shown.find(key);
                         before != shown.end() && before->second != run.resolved) {
                problems.Add(place, "on " + form + " for " + code + " the resolved build shows \"" +
                                        run.resolved + "\" where the plain build shows \"" +
                                        before->second + "\"");
              }
            });
      }
    }
  }

  for (const Statement& statement : sources.statements) {
    if (statement.ran || dead.contains(statement.header)) continue;
    problems.Add(statement.place, "never runs: no screen's section reaches this line");
  }

  // A source without its last line break has the build's marker joined to
  // its last line.
  const std::vector<std::string> lines = platform::Split(plain.text, localize::kCrLf);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t at = lines[i].find(kAppendedMarker);
    if (at != std::string::npos && at > 0) {
      problems.Add(plain.origins[i],
                   "the file does not end with a line break, so its last line runs into the "
                   "build's \";### Appended File\" line");
    }
  }
}

void CompareWithReference(const Sources& sources, const Sources& reference, Problems& problems) {
  std::set<std::string> defined;
  for (const Variable& variable : sources.variables) defined.insert(variable.name);
  for (const Variable& variable : reference.variables) {
    if (!defined.contains(variable.name)) {
      problems.Add({sources.loaderFile, 0},
                   variable.name + " is defined in English (" + variable.place.file + ":" +
                       std::to_string(variable.place.line) + ") but not here");
    }
  }
}

}  // namespace

int Check(const std::string& root, std::vector<std::string> languages) {
  if (languages.empty()) languages = SourceLanguages(root);
  if (languages.empty()) {
    std::fprintf(stderr, "pavane-lang: no languages below %s/localized/SourceCode\n", root.c_str());
    return 1;
  }
  Sources reference;
  Problems quiet(true);
  const bool haveReference = ReadLanguage(root, std::string(kReferenceLanguage), reference, quiet);

  int total = 0;
  for (const std::string& language : languages) {
    Problems problems;
    Sources sources;
    if (ReadLanguage(root, language, sources, problems) && sources.complete) {
      Built plain;
      Built resolved;
      if (Assemble(root, language, false, sources, plain, problems) &&
          Assemble(root, language, true, sources, resolved, problems)) {
        resolved.origins = plain.origins;
        CheckVariables(sources, {&plain, &resolved}, problems);
        CheckScreens(sources, plain, resolved, problems);
      }
      if (haveReference && language != kReferenceLanguage) {
        CompareWithReference(sources, reference, problems);
      }
    }
    std::printf(
        "%s: %s\n", language.c_str(),
        problems.Count() == 0 ? "ok" : (std::to_string(problems.Count()) + " problem(s)").c_str());
    total += problems.Count();
  }
  return total == 0 ? 0 : 1;
}

}  // namespace pavane::langtool
