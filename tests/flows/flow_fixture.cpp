#include "flows/flow_fixture.h"

#include "app/program.h"

namespace pavane::flows {

std::vector<std::string> RunResult::Actions() const {
  std::vector<std::string> actions;
  for (const std::string& url : requests) {
    if (url.find("/tr.asp?") == std::string::npos) continue;
    const std::size_t at = url.find("&action=");
    actions.push_back(url.substr(at + 8, url.find('&', at + 8) - at - 8));
  }
  return actions;
}

FlowTest::FlowTest()
    : install_(PAVANE_STAGE_DIR, PAVANE_STUB_DOWNLOADER, PAVANE_DEVSERVER_PROGRAM),
      dir_(install_.Dir()),
      root_(install_.Root()) {}

FlowTest::~FlowTest() = default;

RunResult FlowTest::Run(const std::string& switches, const std::string& script) {
  std::ostringstream transcript;
  std::ostringstream errors;
  os::headless::HeadlessOptions options;
  options.script = script;
  options.errors = &errors;
  os::headless::HeadlessWindowSystem ui(transcript, options);
  RecordingHttpClient http(httpOptions_);
  const std::string server = serverBase_.empty() ? install_.Server().BaseUrl() : serverBase_;

  RunResult result;
  result.status =
      app::RunProgram(ui, install_.Registry(), http, {server, server, "norvale.example"}, switches,
                      install_.ProgramFolder());
  result.transcript = transcript.str();
  result.scriptError = ui.ScriptError();
  result.requests = http.Started();
  return result;
}

}  // namespace pavane::flows
