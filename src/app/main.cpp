// Pavane: the screens that follow the setup of the maker's applications.
//
// The switches the setups pass ("/app=OL /language=de ...") follow the
// program's own grammar. A few Linux conventions are handled first, when they
// are the first argument, and never reach that grammar.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/program.h"
#include "app/settings_report.h"
#include "app/startup.h"
#include "os/curl/curl_http_client.h"
#include "os/gtk/gtk_window_system.h"
#include "os/headless/headless_window_system.h"
#include "os/posix/registry_location.h"
#include "os/posix/sqlite_registry_store.h"
#include "pavane/build_config.h"
#include "platform/registry.h"

namespace {

constexpr const char* kUsage =
    "Usage: pavane [SWITCHES...]\n"
    "       pavane --print-settings [SWITCHES...]\n"
    "       pavane --help | --version\n"
    "\n"
    "Leads the user through the screens that follow the setup of one of the\n"
    "maker's applications. The setup passes switches such as:\n"
    "  /app=OL            the application being installed (OL, SW or PT)\n"
    "  /language=de       two-letter language of the screens; xx asks the user\n"
    "  /sacc=CODE         sales-account code: show only the offer for CODE\n"
    "  /onlyemail         end after the newsletter screen\n"
    "  /noproduction      development layout; rebuild the language files\n"
    "  /resolve           resolve the language variables when building\n"
    "  /loader=FILE       another language loader file\n"
    "  /failjapanesefonts act as if no Japanese font were installed\n"
    "\n"
    "--print-settings parses the switches that follow it and prints the run\n"
    "settings, the result and the message as JSON, then exits.\n"
    "\n"
    "Environment: PAVANE_REGISTRY (registry database file), PAVANE_SERVER_BASE,\n"
    "PAVANE_ACCOUNT_HOST, PAVANE_WEB_DOMAIN (the maker's servers).\n"
    "Unattended runs: PAVANE_UI=headless runs the screens without a display and\n"
    "prints what happens, one line each; PAVANE_SCRIPT=FILE gives the user's\n"
    "actions (click, fill, tick, untick, select, choose, follow, answer,\n"
    "activate, close, wait), one per line, and alone chooses the headless run.\n"
    "PAVANE_UI=desktop (the default) opens the screens as windows.\n";

int PrintSettings(const std::vector<std::string>& switches) {
  pavane::RunSettings settings;
  std::string message;
  const bool result = pavane::app::PrepareRunSettings(
      settings, pavane::app::JoinCommandLine(switches), pavane::app::ProgramFolder(), message);
  std::printf("%s\n", pavane::app::SettingsAsJson(settings, result, message).c_str());
  return 0;
}

// One run of the program on `ui`, with the registry store and HTTP.
int RunOn(pavane::os::WindowSystem& ui, const std::vector<std::string>& switches) {
  // A write that waits for another program keeps the screens drawing.
  pavane::os::SqliteRegistryStore store(pavane::os::DefaultRegistryPath(),
                                        [&ui] { ui.Loop().PumpPending(); });
  pavane::platform::Registry registry(store, [&ui](const std::string& text) {
    ui.MessageBox(nullptr, text, pavane::os::message_box::kOk, "Pavane");
  });
  pavane::os::CurlHttpClient http;
  return pavane::app::RunProgram(ui, registry, http, pavane::Deployment::FromEnvironment(),
                                 pavane::app::JoinCommandLine(switches),
                                 pavane::app::ProgramFolder());
}

// The screens, on the window system the environment asks for: the desktop
// (PAVANE_UI=desktop), or none (PAVANE_UI=headless). Unset, a user script
// means an unattended run, without a display; otherwise the desktop.
int RunScreens(const std::vector<std::string>& switches) {
  const char* uiValue = std::getenv("PAVANE_UI");
  const char* script = std::getenv("PAVANE_SCRIPT");
  const bool scripted = script != nullptr && *script != '\0';
  const std::string uiName =
      uiValue != nullptr && *uiValue != '\0' ? uiValue : (scripted ? "headless" : "desktop");
  if (uiName != "headless" && uiName != "desktop") {
    std::fprintf(stderr, "pavane: PAVANE_UI is \"%s\"; it is headless or desktop\n",
                 uiName.c_str());
    return 2;
  }
  if (uiName == "desktop" && scripted) {
    std::fputs(
        "pavane: PAVANE_SCRIPT drives the headless window system only (PAVANE_UI=headless)\n",
        stderr);
    return 2;
  }
  std::string error;
  if (uiName == "desktop") {
    const auto ui = pavane::os::gtk::GtkWindowSystem::Create(error);
    if (ui == nullptr) {
      std::fputs("pavane: no display: run under a desktop or Xvfb, or with PAVANE_UI=headless\n",
                 stderr);
      return 2;
    }
    return RunOn(*ui, switches);
  }
  using pavane::os::headless::HeadlessWindowSystem;
  std::unique_ptr<HeadlessWindowSystem> ui =
      HeadlessWindowSystem::FromEnvironment(std::cout, error);
  if (ui == nullptr) {
    std::fprintf(stderr, "pavane: %s\n", error.c_str());
    return 2;
  }
  const int status = RunOn(*ui, switches);
  // A script that failed or ran out ends the run however the screens ended.
  return ui->ScriptError().empty() ? status : HeadlessWindowSystem::kScriptFailedStatus;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty()) {
    const std::string& first = arguments.front();
    if (first == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (first == "--version") {
      std::printf("pavane %s\n", pavane::build::kVersionText);
      return 0;
    }
    if (first == "--print-settings") {
      arguments.erase(arguments.begin());
      return PrintSettings(arguments);
    }
  }
  return RunScreens(arguments);
}
