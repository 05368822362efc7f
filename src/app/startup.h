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
// A sales-account code that names none of the three products (empty,
// unknown, or a switch the parse never reached) is dropped, so the run goes
// on as without it. `notices` gets what was not honoured: that, and an
// application code that names no product (the run then has no application
// key and reports to the server base).
bool PrepareRunSettings(RunSettings& settings, std::string_view commandLine,
                        std::string_view programFolder, std::string& message,
                        std::vector<std::string>* notices = nullptr);

}  // namespace pavane::app
