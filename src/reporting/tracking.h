// Tracking events and the installation facts sent with them.
#pragma once

#include <string>
#include <string_view>

#include "run/run.h"

namespace pavane::reporting {

// The fixed pass code that ends every request to the tracking pages.
inline constexpr const char* kPassCode = "QARVELM5039";

// Builds the "/tr.asp?" request for `action` with the installation facts and
// starts it.
void ReportEvent(Run& run, std::string_view action, std::string_view origin);

// The request as ReportEvent sends it (for ReportEvent and its tests).
std::string BuildEventUrl(Run& run, std::string_view action, std::string_view origin);

// `url` with the installation facts appended.
std::string DecorateUrl(Run& run, std::string_view url);

}  // namespace pavane::reporting
