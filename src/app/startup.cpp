#include "app/startup.h"

#include "app/command_line.h"
#include "app/folders.h"
#include "platform/text.h"

namespace pavane::app {

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += argument;
  }
  return line;
}

bool PrepareRunSettings(RunSettings& settings, std::string_view commandLine,
                        std::string_view programFolder, std::string& message,
                        std::vector<std::string>* notices) {
  settings = RunSettings{};
  SetLanguageFolders(settings, programFolder);
  settings.CommandLineText = platform::LowerCase(commandLine);
  const bool result = ParseCommandLine(settings, commandLine, message);
  const auto note = [notices](std::string text) {
    if (notices != nullptr) notices->push_back(std::move(text));
  };
  const bool saccGiven = platform::Contains(settings.CommandLineText, "sacc=");
  if ((saccGiven || !settings.SaccCode.empty()) &&
      ProductIndex(platform::UpperCase(settings.SaccCode)) == 0) {
    note(settings.SaccCode.empty()
             ? "the sales-account switch gives no code, or it was not read; the run goes on "
               "without it"
             : "the sales-account code \"" + settings.SaccCode +
                   "\" names none of OL, SW and PT; the run goes on without it");
    settings.SaccCode.clear();
  }
  if (ProductIndex(settings.MainAppCode) == 0) {
    note("the application code \"" + settings.MainAppCode +
         "\" names none of OL, SW and PT; nothing is read or kept for it in the registry");
  }
  SetScreenFolders(settings);
  settings.MainAppIndex = ProductIndex(settings.MainAppCode);
  return result;
}

}  // namespace pavane::app
