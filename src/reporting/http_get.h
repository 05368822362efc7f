// Requests to the maker's server whose answers nobody reads.
#pragma once

#include <chrono>
#include <string>

#include "run/run.h"

namespace pavane::reporting {

// Starts a GET of `url` and returns "Done" at once. It reaches the server
// after the requests started before it; earlier requests still in flight go
// on, none is cancelled by a later one.
std::string HttpGet(Run& run, const std::string& url);

// At the end of a run, after the windows are gone: waits for requests still
// in flight, at most `limit`, and sends those still waiting their turn within
// it. Returns true when all have ended.
bool FinishPendingRequests(Run& run,
                           std::chrono::milliseconds limit = std::chrono::milliseconds(2000));

}  // namespace pavane::reporting
