// The application profile of the run's main application.
#pragma once

#include <string_view>

#include "run/run.h"

namespace pavane::app {

// Fills run.Profile for `appCode`. With `appValuesOnly` only the values that
// need no language texts are set (the first call of start-up); otherwise the
// complete profile, including the installer names and addresses taken from
// the loaded language (run.Texts).
void SetStrings(Run& run, std::string_view appCode, bool appValuesOnly);

}  // namespace pavane::app
