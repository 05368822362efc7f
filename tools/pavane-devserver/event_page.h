// The page that `GET /` answers: what the server received, as a QA tester
// reads it while a run goes on.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "request_log.h"

namespace pavane::devserver {

// A run counts as going on until this long after its last request; the page
// reloads itself every 2 s while one does and every 10 s otherwise.
inline constexpr std::chrono::seconds kRunGoesOnFor{60};

// At most this many runs are shown, the newest, each with at most its newest
// kMaxRequestsShown requests, the texts of each cut to kMaxRequestTextShown
// bytes in all: a server left up for days still answers with a page that a
// browser can reload every 2 s. What is left out is said; the log has it all.
inline constexpr std::size_t kMaxRunsShown = 50;
inline constexpr std::size_t kMaxRequestsShown = 100;
inline constexpr std::size_t kMaxRequestTextShown = 2048;

// `requests` oldest first, as RequestLog::Recent gives them. Requests that
// carry "installdate" or "aid" are grouped into runs by the pair; the others
// (the address check, stray pages) form a group of their own. Runs and the
// requests in them are listed newest first, each run with a count of the
// Displayed, Accepted and Declined events of every screen. Every value is
// escaped and made valid UTF-8.
std::string EventPage(const std::vector<RecordedRequest>& requests,
                      std::chrono::system_clock::time_point now);

}  // namespace pavane::devserver
