// One run of the program: start-up, then the screens until the run ends.
#pragma once

#include <string_view>

#include "os/http_client.h"
#include "os/window_system.h"
#include "platform/registry.h"
#include "run/deployment.h"

namespace pavane::app {

// Runs the program on `ui` for the given command line (the arguments joined
// by blanks) and returns its exit status. Requests still in flight when the
// windows are gone get at most two seconds more.
int RunProgram(os::WindowSystem& ui, platform::Registry& registry, os::HttpClient& http,
               Deployment deployment, std::string_view commandLine, std::string_view programFolder);

// Screen scaling from the size of a pixel in twips.
std::int16_t ScalingFromTwips(int twipsPerPixel);

}  // namespace pavane::app
