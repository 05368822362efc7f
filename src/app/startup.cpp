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
                        std::string_view programFolder, std::string& message) {
  settings = RunSettings{};
  SetLanguageFolders(settings, programFolder);
  settings.CommandLineText = platform::LowerCase(commandLine);
  const bool result = ParseCommandLine(settings, commandLine, message);
  SetScreenFolders(settings);
  settings.MainAppIndex = ProductIndex(settings.MainAppCode);
  return result;
}

}  // namespace pavane::app
