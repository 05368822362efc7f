// Pavane: the screens that follow the setup of the maker's applications.
//
// The switches the setups pass ("/app=OL /language=de ...") follow the
// program's own grammar. A few Linux conventions are handled first, when they
// are the first argument, and never reach that grammar.

#include <cstdio>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/settings_report.h"
#include "app/startup.h"
#include "pavane/build_config.h"

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
    "PAVANE_ACCOUNT_HOST, PAVANE_WEB_DOMAIN (the maker's servers).\n";

int PrintSettings(const std::vector<std::string>& switches) {
  pavane::RunSettings settings;
  std::string message;
  const bool result = pavane::app::PrepareRunSettings(
      settings, pavane::app::JoinCommandLine(switches), pavane::app::ProgramFolder(), message);
  std::printf("%s\n", pavane::app::SettingsAsJson(settings, result, message).c_str());
  return 0;
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
  std::fputs("pavane: this build has no screens yet; see --help\n", stderr);
  return 2;
}
