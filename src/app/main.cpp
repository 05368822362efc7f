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
#include "os/user/scripted_user.h"
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
    "Unattended runs: PAVANE_SCRIPT=FILE gives the user's actions (click, fill,\n"
    "tick, untick, select, choose, follow, answer, activate, close, wait, signal,\n"
    "shot), one per line, and the program prints what happens, one line each.\n"
    "A script alone runs the screens without a display (PAVANE_UI=headless);\n"
    "with PAVANE_UI=desktop it plays on the windows, and each \"shot NAME\"\n"
    "saves the screen as NAME.png in the folder PAVANE_SHOTS names and prints\n"
    "what is amiss on it. PAVANE_UI=desktop (the default) opens the screens as\n"
    "windows.\n";

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
// means an unattended run, without a display; otherwise the desktop. A
// script plays on either.
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
  std::string error;
  std::unique_ptr<pavane::os::WindowSystem> ui;
  const std::string* scriptError = nullptr;
  if (uiName == "desktop") {
    auto desktop = pavane::os::gtk::GtkWindowSystem::Create(error);
    if (desktop == nullptr) {
      std::fputs("pavane: no display: run under a desktop or Xvfb, or with PAVANE_UI=headless\n",
                 stderr);
      return 2;
    }
    if (scripted && !desktop->PlayScript(std::cout, error)) {
      std::fprintf(stderr, "pavane: %s\n", error.c_str());
      return 2;
    }
    scriptError = &desktop->ScriptError();
    ui = std::move(desktop);
  } else {
    auto headless = pavane::os::headless::HeadlessWindowSystem::FromEnvironment(std::cout, error);
    if (headless == nullptr) {
      std::fprintf(stderr, "pavane: %s\n", error.c_str());
      return 2;
    }
    scriptError = &headless->ScriptError();
    ui = std::move(headless);
  }
  const int status = RunOn(*ui, switches);
  // A script that failed or ran out ends the run however the screens ended.
  return scriptError->empty() ? status : pavane::os::user::ScriptedUser::kFailedStatus;
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
