// The run settings as JSON, for setup authors who want to see what the
// program makes of a switch string (--print-settings).
#pragma once

#include <string>

#include "run/run_settings.h"

namespace pavane::app {

std::string SettingsAsJson(const RunSettings& settings, bool result, const std::string& message);

}  // namespace pavane::app
