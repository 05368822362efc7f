// The first steps of start-up: everything that needs neither a window nor
// the language files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/run_settings.h"

namespace pavane::app {

// The raw command line as the grammar sees it: the arguments after the
// program name, joined by single blanks.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// Resets `settings` to their initial values, derives the folders from
// `programFolder`, keeps the lower-cased command line, parses it and sets
// the main application's index. Returns the parser's result and message.
bool PrepareRunSettings(RunSettings& settings, std::string_view commandLine,
                        std::string_view programFolder, std::string& message);

}  // namespace pavane::app
