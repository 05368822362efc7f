#include "gtk/contact_sheet.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <system_error>
#include <tuple>

namespace pavane::os::gtk::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The languages in the order translators look for them; others follow.
const std::vector<std::string> kLanguages = {"en", "de", "fr", "ja", "xa"};
constexpr std::uintmax_t kMaxRecordBytes = 1 << 20;

std::string Html(std::string_view text) {
  static const std::map<char, std::string> kEntities = {
      {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&#39;"}};
  std::string out;
  for (char c : text) {
    const auto entity = kEntities.find(c);
    out += entity != kEntities.end() ? entity->second : std::string(1, c);
  }
  return out;
}

// A relative address of a file: every byte outside the unreserved ones and
// "/" percent-encoded, so a name with "#", "?" or a blank still links.
std::string Address(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Writes the file all at once: readers see the old or the new one.
bool WriteWhole(const fs::path& file, const std::string& text) {
  const fs::path temporary = file.string() + "." + std::to_string(getpid()) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code error;
  fs::rename(temporary, file, error);
  if (error) fs::remove(temporary, error);
  return !error;
}

std::optional<SheetRecord> LoadRecord(const fs::path& file) {
  std::error_code error;
  if (fs::file_size(file, error) > kMaxRecordBytes || error) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  const json data = json::parse(in, nullptr, false);
  if (!data.is_object()) return std::nullopt;
  SheetRecord record;
  record.scaling = data.value("scaling", 0);
  record.language = data.value("language", "");
  record.road = data.value("road", "");
  for (const json& shot : data.value("shots", json::array())) {
    if (!shot.is_object()) continue;
    SheetShot entry{shot.value("screen", ""), shot.value("file", ""), {}};
    for (const json& problem : shot.value("problems", json::array())) {
      if (problem.is_string()) entry.problems.push_back(problem.get<std::string>());
    }
    record.shots.push_back(std::move(entry));
  }
  if (record.scaling <= 0 || record.language.empty()) return std::nullopt;
  return record;
}

constexpr const char* kStyle = R"(
body { font: 14px/1.4 system-ui, sans-serif; margin: 16px; color: #222; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 6px; vertical-align: top; text-align: left; }
td figure { position: relative; margin: 0; }
td img { width: 320px; display: block; }
td.bad img { outline: 4px solid #d00; }
td ul { position: absolute; top: 4px; left: 4px; right: 4px; margin: 0; padding: 4px 6px 4px 22px;
        background: rgba(200, 0, 0, 0.85); color: #fff; font-size: 12px; }
td.none { color: #999; }
)";

}  // namespace

bool SaveRecord(const std::string& root, const SheetRecord& record) {
  json shots = json::array();
  for (const SheetShot& shot : record.shots) {
    shots.push_back({{"screen", shot.screen}, {"file", shot.file}, {"problems", shot.problems}});
  }
  const json data = {{"scaling", record.scaling},
                     {"language", record.language},
                     {"road", record.road},
                     {"shots", shots}};
  const fs::path folder = fs::path(root) / std::to_string(record.scaling) / record.language;
  std::error_code error;
  fs::create_directories(folder, error);
  return !error && WriteWhole(folder / (record.road + ".json"), data.dump(1));
}

bool WriteContactSheet(const std::string& root) {
  std::vector<SheetRecord> records;
  std::error_code error;
  for (auto entry = fs::recursive_directory_iterator(root, error);
       !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
    if (entry.depth() == 2 && entry->path().extension() == ".json") {
      if (auto record = LoadRecord(entry->path())) records.push_back(std::move(*record));
    }
  }
  // The longest road first gives the rows the order of a run.
  std::sort(records.begin(), records.end(), [](const SheetRecord& a, const SheetRecord& b) {
    return std::tuple(b.shots.size(), a.road, a.language) <
           std::tuple(a.shots.size(), b.road, b.language);
  });

  // scaling -> screen -> language -> the shot; screens in the order seen.
  std::map<int, std::map<std::string, std::map<std::string, SheetShot>>> sheet;
  std::map<int, std::vector<std::string>> screens;
  std::vector<std::string> languages = kLanguages;
  int pictures = 0;
  int problems = 0;
  for (const SheetRecord& record : records) {
    if (std::find(languages.begin(), languages.end(), record.language) == languages.end()) {
      languages.push_back(record.language);
    }
    for (const SheetShot& shot : record.shots) {
      auto& rows = screens[record.scaling];
      if (std::find(rows.begin(), rows.end(), shot.screen) == rows.end())
        rows.push_back(shot.screen);
      SheetShot& cell = sheet[record.scaling][shot.screen][record.language];
      cell.screen = shot.screen;
      cell.file = std::to_string(record.scaling) + "/" + record.language + "/" + shot.file;
      cell.problems.insert(cell.problems.end(), shot.problems.begin(), shot.problems.end());
      ++pictures;
      problems += static_cast<int>(shot.problems.size());
    }
  }

  std::ostringstream page;
  page << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       << "<title>Pavane screens</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n"
       << "<h1>Pavane screens</h1>\n<p>" << pictures << " pictures, " << problems
       << " problems marked in red.</p>\n";
  for (const auto& [scaling, rows] : sheet) {
    page << "<section>\n<h2>" << scaling << " %</h2>\n<table>\n<tr><th>Screen</th>";
    for (const std::string& language : languages) page << "<th>" << Html(language) << "</th>";
    page << "</tr>\n";
    for (const std::string& screen : screens[scaling]) {
      page << "<tr><th>" << Html(screen) << "</th>";
      const auto& cells = rows.at(screen);
      for (const std::string& language : languages) {
        const auto cell = cells.find(language);
        if (cell == cells.end()) {
          page << "<td class=\"none\">-</td>";
          continue;
        }
        const SheetShot& shot = cell->second;
        const std::string address = Html(Address(shot.file));
        page << "<td" << (shot.problems.empty() ? "" : " class=\"bad\"") << "><figure><a href=\""
             << address << "\"><img src=\"" << address << "\" alt=\""
             << Html(screen + ", " + language + ", " + std::to_string(scaling) + " %")
             << "\" loading=\"lazy\"></a>";
        if (!shot.problems.empty()) {
          page << "<ul>";
          for (const std::string& problem : shot.problems)
            page << "<li>" << Html(problem) << "</li>";
          page << "</ul>";
        }
        page << "</figure></td>";
      }
      page << "</tr>\n";
    }
    page << "</table>\n</section>\n";
  }
  page << "</body>\n</html>\n";
  return WriteWhole(fs::path(root) / "index.html", page.str());
}

}  // namespace pavane::os::gtk::testing
