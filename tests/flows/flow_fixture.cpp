#include "flows/flow_fixture.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/program.h"

namespace pavane::flows {
namespace fs = std::filesystem;

std::vector<std::string> RunResult::Actions() const {
  std::vector<std::string> actions;
  for (const std::string& url : requests) {
    if (url.find("/tr.asp?") == std::string::npos) continue;
    const std::size_t at = url.find("&action=");
    actions.push_back(url.substr(at + 8, url.find('&', at + 8) - at - 8));
  }
  return actions;
}

FlowTest::FlowTest() : root_(dir_.path().string()) {
  const fs::path stage = PAVANE_STAGE_DIR;
  fs::create_directories(root_ + "/PV");
  fs::create_directories(root_ + "/programs");
  fs::create_directories(root_ + "/tmp");
  fs::create_directories(root_ + "/run");
  // A copy: a developer-mode run builds its language file beside these.
  fs::copy(stage / "PV" / "localized", root_ + "/PV/localized", fs::copy_options::recursive);
  fs::create_directory_symlink(stage / "localized", root_ + "/localized");
  fs::create_directory_symlink(stage / "HTML Screens", root_ + "/HTML Screens");
  fs::create_symlink(PAVANE_STUB_DOWNLOADER, root_ + "/PV/Fetchwick.exe");

  for (const auto& [name, value] :
       {std::pair{"ProgramFiles", root_ + "/programs"}, std::pair{"Temp", root_ + "/tmp"},
        std::pair{"PAVANE_STUB_RECORD", root_ + "/downloader.txt"},
        std::pair{"XDG_RUNTIME_DIR", root_ + "/run"}, std::pair{"LANG", std::string("C")},
        std::pair{"LC_ALL", std::string()}, std::pair{"LC_MESSAGES", std::string()}}) {
    environment_.push_back(
        std::make_unique<testing::ScopedEnv>(name, value.empty() ? nullptr : value.c_str()));
  }

  store_ = std::make_unique<os::SqliteRegistryStore>(root_ + "/registry.db");
  registry_ = std::make_unique<platform::Registry>(
      *store_, [](const std::string& text) { ADD_FAILURE() << "registry message: " << text; });
  // The main application's setup leaves its key and an empty reply value.
  registry_->CreateKey(kOrlentKey);
  registry_->SetStringValue(kOrlentKey, "Tandem", "");

  server_ = std::make_unique<testing::DevserverProcess>(PAVANE_DEVSERVER_PROGRAM,
                                                        std::vector<std::string>{"--port", "8917"});
}

FlowTest::~FlowTest() = default;

void FlowTest::Set(const std::string& key, const std::string& name, const std::string& value) {
  registry_->CreateKey(key);
  registry_->SetStringValue(key, name, value);
}

void FlowTest::Install(const std::string& code) {
  const std::string file = code == "OL"   ? "Orlent/orlent.exe"
                           : code == "SW" ? "Sweeple/sweeple.exe"
                                          : "Patchory/Patch-ory.exe";
  dir_.Write("programs/" + file, "installed");
}

void FlowTest::UseDevelopmentLayout() {
  fs::remove(root_ + "/PV/Fetchwick.exe");
  fs::create_directories(root_ + "/FW");
  fs::create_symlink(PAVANE_STUB_DOWNLOADER, root_ + "/FW/Fetchwick.exe");
}

std::vector<std::string> FlowTest::DownloaderArguments() {
  const std::string record = root_ + "/downloader.txt";
  // The downloader runs on its own; give it a moment to write its record.
  for (int i = 0; i < 500 && !fs::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::vector<std::string> arguments;
  std::istringstream in(testing::ReadBytes(record));
  for (std::string line; std::getline(in, line);) arguments.push_back(line);
  return arguments;
}

std::vector<testing::LoggedRequest> FlowTest::ServerRequests(std::size_t count) {
  return testing::ParseLoggedRequests(server_->WaitForLogLines(count, std::chrono::seconds(10)));
}

RunResult FlowTest::Run(const std::string& switches, const std::string& script, bool japaneseFont,
                        int twipsPerPixel) {
  std::ostringstream transcript;
  std::ostringstream errors;
  os::headless::HeadlessOptions options;
  options.script = script;
  options.japaneseFont = japaneseFont;
  options.twipsPerPixel = twipsPerPixel;
  options.errors = &errors;
  os::headless::HeadlessWindowSystem ui(transcript, options);
  RecordingHttpClient http;

  RunResult result;
  result.status = app::RunProgram(ui, *registry_, http,
                                  {server_->BaseUrl(), server_->BaseUrl(), "norvale.example"},
                                  switches, root_ + "/PV");
  result.transcript = transcript.str();
  result.scriptError = ui.ScriptError();
  result.requests = http.Started();
  return result;
}

}  // namespace pavane::flows
