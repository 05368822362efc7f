// The folders a run reads its language files and pages from, all derived
// from where the program itself is installed.
#pragma once

#include <string_view>

#include "run/run_settings.h"

namespace pavane::app {

// ParentFolder, OwnLocalizedFolder and ParentLocalizedFolder, from the
// program's own folder.
void SetLanguageFolders(RunSettings& settings, std::string_view programFolder);

// HtmlScreensFolder and PavaneScreensFolder, from ParentFolder.
void SetScreenFolders(RunSettings& settings);

// The program's own folder, from the running program's path.
std::string ProgramFolder();

}  // namespace pavane::app
