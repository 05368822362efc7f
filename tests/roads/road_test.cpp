// Plays each road (docs/roads.md): a user script whose "#>" lines give the
// run's switches and set-up and what must come of it. Every road runs on the
// headless window system, in this process unless it asks for the program's
// own process; roads marked "desktop" (every road with
// PAVANE_ROADS_ON_DESKTOP=all) also run on real windows when there is a
// display, leaving their pictures in screenshots/roads of the build tree.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "app/startup.h"
#include "os/curl/curl_http_client.h"
#include "os/instance_lock.h"
#include "support/child_process.h"
#include "support/devserver_log.h"
#include "support/installation.h"
#include "support/play_here.h"

namespace pavane::testing {
namespace {
namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

struct Line {
  std::string verb;
  std::string rest;
  std::string only;  // "desktop" or a case: the line counts there only
};

// The "#>" lines of a road, in order. "#> desktop <line>" is a line for
// real windows only, "#> case <name> <line>" one for that case only.
std::vector<Line> RoadLines(const std::string& path) {
  std::vector<Line> lines;
  std::ifstream in(path);
  for (std::string text; std::getline(in, text);) {
    if (!text.starts_with("#>")) continue;
    std::istringstream words(text.substr(2));
    Line line;
    words >> line.verb;
    if (line.verb == "case") words >> line.only;
    if (line.verb == "desktop") line.only = "desktop";
    if (std::string verb; !line.only.empty() && words >> verb) line.verb = verb;
    std::getline(words >> std::ws, line.rest);
    lines.push_back(line);
  }
  return lines;
}

Strings Words(const std::string& text) {
  Strings words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// "^" at the start of a text is the start of its line, "$" at the end its end.
std::string Marked(std::string text) {
  if (text.starts_with('^')) text.front() = '\n';
  if (text.ends_with('$')) text.back() = '\n';
  return text;
}

double ChildrenProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Road {
  std::string path;
  bool desktop = false;
  std::string kase;  // the case played, of a road that has cases

  bool Takes(const Line& line) const {
    return line.only.empty() || line.only == kase || (desktop && line.only == "desktop");
  }
};

void PrintTo(const Road& road, std::ostream* out) {
  *out << road.path << (road.kase.empty() ? "" : " " + road.kase)
       << (road.desktop ? " on the desktop" : "");
}

std::vector<Road> Roads() {
  const bool all = std::getenv("PAVANE_ROADS_ON_DESKTOP") != nullptr &&
                   std::string(std::getenv("PAVANE_ROADS_ON_DESKTOP")) == "all";
  std::vector<Road> roads;
  for (const char* folder : {PAVANE_ROADS_DIR, PAVANE_QA_DIR}) {
    std::set<fs::path> files;  // in order
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".txt" && entry.path().filename() != "CMakeLists.txt") {
        files.insert(entry.path());
      }
    }
    for (const fs::path& file : files) {
      bool marked = all;
      std::set<std::string> cases;
      for (const Line& line : RoadLines(file.string())) {
        marked = marked || line.only == "desktop";
        if (!line.only.empty() && line.only != "desktop") cases.insert(line.only);
      }
      if (cases.empty()) cases.insert("");
      for (const std::string& kase : cases) {
        roads.push_back({file.string(), false, kase});
        if (marked) roads.push_back({file.string(), true, kase});
      }
    }
  }
  return roads;
}

class RoadTest : public ::testing::TestWithParam<Road> {
 protected:
  void SetUp() override {
    if (GetParam().desktop && std::getenv("DISPLAY") == nullptr) {
      GTEST_SKIP() << "no display; run under xvfb-run";
    }
    // Run from the installation, the program starts its stub downloader. A
    // link is quicker than a copy, where the file system allows one.
    std::error_code error;
    fs::create_hard_link(PAVANE_PROGRAM, install.ProgramFolder() + "/pavane", error);
    if (error) fs::copy_file(PAVANE_PROGRAM, install.ProgramFolder() + "/pavane");
  }

  // Fills {root}, {dir}, {server} and {case} in a text of the road.
  std::string Filled(std::string text) {
    const std::pair<std::string, std::string> names[] = {
        {"{root}", install.Root()},
        {"{dir}", install.Dir().path().string()},
        {"{server}", install.Server().BaseUrl().substr(sizeof "http://" - 1)},
        {"{case}", GetParam().kase}};
    for (const auto& [name, value] : names) {
      for (std::size_t at; (at = text.find(name)) != std::string::npos;) {
        text.replace(at, name.size(), value);
      }
    }
    return text;
  }

  // A registry line: "<key> <name>=<value>", or "<name>~<regex>" to match.
  struct Setting {
    std::string key, name, value;
    char op;
  };
  Setting Parsed(const std::string& text) {
    const std::size_t blank = text.find(' ');
    const std::size_t sign = text.find_first_of("=~", blank);
    return {text.substr(0, blank), text.substr(blank + 1, sign - blank - 1),
            Filled(text.substr(sign + 1)), text[sign]};
  }

  Installation install{PAVANE_STAGE_DIR, PAVANE_STUB_DOWNLOADER, PAVANE_DEVSERVER_PROGRAM};
};

TEST_P(RoadTest, Plays) {
  const Road& road = GetParam();
  const std::vector<Line> lines = RoadLines(road.path);
  const std::string shots = std::string(PAVANE_SHOTS_DIR) + "/roads";
  // The script, with the lines "#> case <name> do <line>" of the case played
  // in their place: a failing line keeps its number.
  std::string script;
  std::ifstream file(road.path);
  const std::string own = "#> case " + road.kase + " do ";
  for (std::string text; std::getline(file, text);) {
    script += (text.starts_with(own) ? text.substr(own.size()) : text) + "\n";
  }
  Strings switches;
  Strings environment = {"PAVANE_SCRIPT=" + install.Dir().Write("road.txt", script),
                         "PAVANE_UI=" + std::string(road.desktop ? "desktop" : "headless"),
                         "PAVANE_SHOTS=" + shots,
                         "PAVANE_REGISTRY=" + install.Root() + "/registry.db",
                         "PAVANE_SERVER_BASE=" + install.Server().BaseUrl(),
                         "PAVANE_WEB_DOMAIN=norvale.example"};
  Strings roadEnvironment;
  bool asProcess = road.desktop;
  std::size_t expectedRequests = 0;  // the server log is waited for until it has them
  std::unique_ptr<os::InstanceLock> lock;
  for (const Line& line : lines) {
    if (!road.Takes(line)) continue;
    if (line.verb == "switches") switches = Words(Filled(line.rest));
    if (line.verb == "env") roadEnvironment.push_back(Filled(line.rest));
    if (line.verb == "process") asProcess = true;
    std::size_t count = 0;
    if (line.verb == "events") count = Words(line.rest).size();
    if (line.verb == "requests") count = std::stoul(line.rest);
    expectedRequests = std::max(expectedRequests, count);
    if (line.verb == "install") install.Install(line.rest);
    if (line.verb == "development-layout") install.UseDevelopmentLayout();
    if (line.verb == "remove") fs::remove(install.Root() + "/" + line.rest);
    if (line.verb == "lock") lock = os::InstanceLock::TryAcquire("instance");
    if (line.verb == "registry") {
      const Setting setting = Parsed(line.rest);
      install.Set(setting.key, setting.name, setting.value);
    }
  }

  environment.insert(environment.end(), roadEnvironment.begin(), roadEnvironment.end());
  Strings arguments = {"-s", "KILL", "60", install.ProgramFolder() + "/pavane"};
  arguments.insert(arguments.end(), switches.begin(), switches.end());
  const double processorBefore = ChildrenProcessorSeconds();
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::unique_ptr<ScopedEnv>> variables;
  for (const std::string& entry : asProcess ? Strings() : roadEnvironment) {
    const std::size_t sign = entry.find('=');
    variables.push_back(
        std::make_unique<ScopedEnv>(entry.substr(0, sign).c_str(), entry.substr(sign + 1).c_str()));
  }
  os::CurlHttpClient http;
  const ProcessResult run = asProcess ? RunProgram("/usr/bin/timeout", arguments, environment)
                                      : PlayHere(install, http, install.Server().BaseUrl(),
                                                 app::JoinCommandLine(switches), script);
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
  const double processor = ChildrenProcessorSeconds() - processorBefore;
  const std::string& out = run.out;
  SCOPED_TRACE("transcript:\n" + out + "standard error:\n" + run.err);

  const auto requests = ParseLoggedRequests(
      expectedRequests == 0 ? install.Server().LogLines() : install.ServerLog(expectedRequests));

  int status = 0;
  for (const Line& line : lines) {
    if (!road.Takes(line)) continue;
    SCOPED_TRACE("#> " + line.verb + " " + line.rest);
    std::string text = Marked(Filled(line.rest));
    if (line.verb == "status") status = std::stoi(line.rest);
    if (line.verb == "has" || line.verb == "lacks" || line.verb == "error") {
      const std::string& where = line.verb == "error" ? run.err : out;
      EXPECT_EQ(where.find(text) != std::string::npos, line.verb != "lacks");
    }
    if (line.verb == "no-line") {
      const std::regex pattern(line.rest);
      std::istringstream in(out);
      for (std::string shown; std::getline(in, shown);) {
        EXPECT_FALSE(std::regex_search(shown, pattern)) << shown;
      }
    }
    if (line.verb == "count") {
      const std::size_t blank = line.rest.find(' ');
      EXPECT_EQ(Count(out, Marked(Filled(line.rest.substr(blank + 1)))),
                std::stoul(line.rest.substr(0, blank)));
    }
    if (line.verb == "value") {
      const auto [key, name, value, op] = Parsed(line.rest);
      const std::string actual = install.Value(key, name);
      EXPECT_TRUE(op == '=' ? actual == value : std::regex_match(actual, std::regex(value)))
          << actual;
    }
    if (line.verb == "events") {
      Strings actions;
      for (const auto& request : requests) {
        if (request.path.ends_with("/tr.asp")) actions.push_back(request.Value("action"));
      }
      EXPECT_EQ(actions, Words(line.rest));
    }
    if (line.verb == "requests") {
      // "<count> [<path> <name>=<value>...]": so many reached the server (at
      // that path, with those values).
      const Strings words = Words(text);
      std::size_t count = 0;
      for (const auto& request : requests) {
        bool match = words.size() == 1 || request.path == words[1];
        for (std::size_t i = 2; i < words.size(); ++i) {
          const std::size_t sign = words[i].find('=');
          match = match && request.Value(words[i].substr(0, sign)) == words[i].substr(sign + 1);
        }
        count += match;
      }
      EXPECT_EQ(count, std::stoul(words[0]));
    }
    if (line.verb == "downloader") {
      if (line.rest == "none") {
        EXPECT_FALSE(install.DownloaderStarted());
      } else {
        Strings expected;
        for (const std::string& word : Words(line.rest)) expected.push_back(Filled(word));
        EXPECT_EQ(install.DownloaderArguments(), expected);
      }
    }
    if (line.verb == "browser") {
      EXPECT_FALSE(install.BrowserArguments().empty());
    }
    if (line.verb == "idle-cpu-below") {
      // Only a loop that spins breaks this: the road idles for most of its time.
      EXPECT_LT(processor, wall.count() * std::stod(line.rest) / 100)
          << processor << " s of processor in " << wall.count() << " s";
    }
  }
  EXPECT_EQ(run.exitCode, status);

  if (!road.desktop) return;
  EXPECT_EQ(out.find("\nlayout "), std::string::npos) << "what the pictures show";
  std::istringstream played(script);
  for (std::string line; std::getline(played, line);) {
    if (line.starts_with("shot ")) {
      EXPECT_TRUE(fs::exists(shots + "/" + line.substr(5) + ".png")) << line;
    }
  }
}

std::string RoadName(const ::testing::TestParamInfo<Road>& info) {
  std::string name = fs::path(info.param.path).stem().string();
  if (!info.param.kase.empty()) name += "_" + info.param.kase;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name + (info.param.desktop ? "_desktop" : "");
}

INSTANTIATE_TEST_SUITE_P(Roads, RoadTest, ::testing::ValuesIn(Roads()), RoadName);

}  // namespace
}  // namespace pavane::testing
