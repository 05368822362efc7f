// The command line that the setup passes: switches such as
// "/app=OL /language=de /sacc=abc", turned into the run settings.
#pragma once

#include <string>
#include <string_view>

#include "run/run_settings.h"

namespace pavane::app {

// Fills `settings` from the raw command line (not lower-cased). Returns true
// when start-up may go on silently; otherwise `message` says what was wrong
// and the caller shows it. Unrecognised switches only leave a note in
// `message` and keep the result true.
bool ParseCommandLine(RunSettings& settings, std::string_view commandLine, std::string& message);

}  // namespace pavane::app
