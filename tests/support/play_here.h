// A whole run played in the test's own process, as the program's main plays
// it on the headless window system: quicker than starting the program, which
// loads the desktop's libraries. Header only, for the test programs that link
// the program itself.
#pragma once

#include <sstream>
#include <string>

#include "app/program.h"
#include "os/headless/headless_window_system.h"
#include "support/child_process.h"
#include "support/installation.h"

namespace pavane::testing {

// `server` is the maker's server for the screens and the reports. A script
// that fails ends the run with its own status, as in the program.
inline ProcessResult PlayHere(Installation& install, os::HttpClient& http,
                              const std::string& server, const std::string& commandLine,
                              const std::string& script) {
  std::ostringstream transcript;
  std::ostringstream errors;
  os::headless::HeadlessOptions options;
  options.script = script;
  options.errors = &errors;
  options.ApplyEnvironment();
  os::headless::HeadlessWindowSystem ui(transcript, options);
  ProcessResult result;
  result.exitCode =
      app::RunProgram(ui, install.Registry(), http, {server, server, "norvale.example"},
                      commandLine, install.ProgramFolder());
  if (!ui.ScriptError().empty()) {
    result.exitCode = os::headless::HeadlessWindowSystem::kScriptFailedStatus;
  }
  result.out = transcript.str();
  result.err = errors.str();
  return result;
}

}  // namespace pavane::testing
