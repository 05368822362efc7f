#include "reporting/http_get.h"

namespace pavane::reporting {

std::string HttpGet(Run& run, const std::string& url) {
  // A run that failed where it stood sends nothing after the failure.
  if (!run.Halted) run.Http.StartGet(url);
  return "Done";
}

bool FinishPendingRequests(Run& run, std::chrono::milliseconds limit) {
  return run.Http.WaitForAll(limit);
}

}  // namespace pavane::reporting
