#include "app/folders.h"

#include "os/process.h"
#include "platform/system_helpers.h"

namespace pavane::app {

void SetLanguageFolders(RunSettings& settings, std::string_view programFolder) {
  settings.ParentFolder = platform::GetParentFolder(programFolder, 1);
  settings.OwnLocalizedFolder = platform::JoinPath(programFolder, "localized/");
  settings.ParentLocalizedFolder = settings.ParentFolder + "localized/";
}

void SetScreenFolders(RunSettings& settings) {
  settings.HtmlScreensFolder = settings.ParentFolder + "HTML Screens/";
  settings.PavaneScreensFolder = settings.HtmlScreensFolder + "Pavane/localized/";
}

std::string ProgramFolder() {
  const std::string program = os::CurrentProgramPath();
  const auto slash = program.rfind('/');
  return slash == std::string::npos ? std::string(".") : program.substr(0, slash);
}

}  // namespace pavane::app
