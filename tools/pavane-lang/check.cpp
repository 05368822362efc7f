// pavane-lang check: everything a translator can get wrong that the program
// would only show as an odd caption or an error text on some screen.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lang_tool.h"
#include "localize/captions.h"
#include "localize/language_loader.h"
#include "localize/language_text.h"
#include "localize/language_variables.h"
#include "os/files.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "platform/utf8_file.h"
#include "screens/host/form_designs.h"

namespace pavane::langtool {
namespace {

using platform::Contains;
using platform::Trim;

constexpr const char* kProducts[] = {"OL", "SW", "PT"};
constexpr std::string_view kReferenceLanguage = "en";

struct Place {
  std::string file;
  int line = 0;
};

struct Variable {
  std::string name;
  std::string line;  // the entry as written
  Place place;
};

struct Statement {
  std::string section;
  std::string entry;
  Place place;
};

struct Sources {
  std::string loaderFile;
  std::vector<Variable> variables;  // in file order
  std::vector<Statement> statements;
  std::set<std::string> sections;
};

class Problems {
 public:
  void Add(const Place& place, const std::string& text) {
    if (seen_.insert(place.file + ":" + std::to_string(place.line) + text).second) {
      std::printf("%s:%d: %s\n", place.file.c_str(), place.line, text.c_str());
      ++count_;
    }
  }
  int Count() const { return count_; }

 private:
  std::set<std::string> seen_;
  int count_ = 0;
};

bool IsCodeStringsSection(std::string_view name) {
  return name.size() > 13 && name.substr(name.size() - 13) == "_Code_Strings";
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

void ReadSource(const std::string& path, Sources& sources, Problems& problems) {
  std::string text;
  std::string message;
  if (!platform::ReadUTF8File(path, text, message, false, false, false)) {
    problems.Add({path, 0}, message);
    return;
  }
  std::string section;
  const std::vector<std::string> lines = platform::Split(text, localize::kCrLf);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Place place{path, static_cast<int>(i + 1)};
    const std::string entry = Trim(lines[i]);
    if (entry.empty() || entry.front() == ';') continue;
    if (entry.rfind("[[", 0) == 0) {
      section = SectionName(entry);
      sources.sections.insert(section);
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
      sources.statements.push_back({section, entry, place});
    }
  }
}

bool ReadLanguage(const std::string& root, const std::string& language, Sources& sources,
                  Problems& problems) {
  std::string folder = std::filesystem::absolute(root).lexically_normal().string();
  if (folder.back() != '/') folder += '/';
  RunSettings settings;
  settings.ParentFolder = folder;
  settings.ParentLocalizedFolder = folder + "localized/";
  settings.LanguageCode = language;
  localize::LanguageText text(settings.ShownAppCode);
  localize::LanguageLoader loader(settings, text);
  sources.loaderFile = loader.LoaderFilePath();

  std::vector<localize::LanguageLoader::ListedSource> listed;
  std::string message;
  if (!loader.ListSources(listed, message)) {
    problems.Add({sources.loaderFile, 0}, message);
    return false;
  }
  for (const auto& source : listed) {
    const std::string path = platform::NativePath(source.path);
    if (!os::FileExists(path)) {
      problems.Add({sources.loaderFile, source.loaderLine}, "no such source: " + path);
      continue;
    }
    ReadSource(path, sources, problems);
  }
  return true;
}

// The variables as the program sees them: one Code_Strings table.
std::string CodeStringsText(const Sources& sources) {
  std::string text = "[[Code_Strings]]\r\n";
  for (const Variable& variable : sources.variables) text += variable.line + "\r\n";
  return text;
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

void CheckVariables(const Sources& sources, Problems& problems) {
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

  // Every placeholder resolves, for every product; each variable is named
  // once, with the first product it fails for.
  std::set<std::string> unresolved;
  for (const char* product : kProducts) {
    std::string shown = product;
    localize::LanguageText text(shown);
    text.SetText(CodeStringsText(sources));
    text.InitCodeStrings();
    for (const auto& [name, variable] : first) {
      if (unresolved.contains(name)) continue;
      const std::string value = text.GetStrLocValue(name);
      if (Contains(value, "{") || Contains(value, "Error in function")) unresolved.insert(name);
      const std::size_t missing = value.find("Error in function GetStrLocValue -- line ");
      if (missing != std::string::npos) {
        problems.Add(variable->place,
                     "refers to an undefined variable: " +
                         value.substr(missing + 41,
                                      value.find_first_of(" }\r", missing + 41) - missing - 41));
      } else if (Contains(value, "Error in function ProcessLanguageLine")) {
        problems.Add(variable->place, "refers to a variable whose line cannot be read");
      } else if (Contains(value, "{")) {
        problems.Add(variable->place,
                     "placeholder left unresolved for " + std::string(product) + ": " + value);
      }
    }
  }
}

void CheckScreens(const Sources& sources, Problems& problems) {
  std::vector<std::string> needed = {"PVCommon"};
  for (std::string_view form : screens::LocalizedFormNames()) {
    needed.push_back("PV_" + std::string(form));
    for (const char* product : kProducts) {
      needed.push_back(std::string(product) + "-PV_" + std::string(form));
    }
  }
  for (const std::string& section : needed) {
    if (!sources.sections.contains(section)) {
      problems.Add({sources.loaderFile, 0}, "screen section [[" + section + "]] is missing");
    }
  }

  // Which windows and products a statement runs for, by its section.
  auto targets = [](const std::string& section) {
    std::vector<std::pair<std::string, std::string>> result;  // form, product
    for (std::string_view form : screens::LocalizedFormNames()) {
      for (const char* product : kProducts) {
        const std::string plain = "PV_" + std::string(form);
        if (section == "PVCommon" || section == plain ||
            section == std::string(product) + "-" + plain) {
          result.emplace_back(form, product);
        }
      }
    }
    return result;
  };

  const std::string codeStrings = CodeStringsText(sources);
  for (const Statement& statement : sources.statements) {
    const auto runs = targets(statement.section);
    if (runs.empty()) {
      problems.Add(statement.place, "section [[" + statement.section + "]] belongs to no screen");
      continue;
    }
    for (const auto& [formName, product] : runs) {
      std::string shown = product;
      localize::LanguageText text(shown);
      text.SetText(codeStrings);
      text.InitCodeStrings();
      auto form = screens::CreateFormDesign(formName);
      vbscript::Engine engine;
      localize::InitScriptControl(*form, engine);
      localize::ExecuteSection(
          engine, text, {"", statement.entry},
          [&](const std::string&, const std::string&, const std::string& error) {
            problems.Add(statement.place, "on " + formName + ": " + error);
          });
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
  Problems ignored;
  const bool haveReference =
      ReadLanguage(root, std::string(kReferenceLanguage), reference, ignored);

  int total = 0;
  for (const std::string& language : languages) {
    Problems problems;
    Sources sources;
    if (ReadLanguage(root, language, sources, problems)) {
      CheckVariables(sources, problems);
      CheckScreens(sources, problems);
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
