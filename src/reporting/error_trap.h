// The error trap: a step that fails at run time is handed to the error
// reporter and the routine goes on with its next step. Steps are written as
// explicit calls of `TrapErrors`, so the flow stays visible.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "run/run.h"

namespace pavane::reporting {

// Empty `text`: the main application's state text ("TDState" under the
// application key) as the registry yields it. Otherwise deletes that value
// and returns "".
std::string TattleTale(Run& run, std::string_view text);

// The monitor page's address for one error, with the state value as it is
// now; ReportError composes it for the first two errors of a run.
std::string BuildMonitorUrl(Run& run, std::string_view description, std::string_view routine,
                            std::string_view lastStep);

// Hands one run-time error to the reporter: deletes the state value and, for
// the first two errors of a run, composes the monitor address (it is not
// sent; see error_trap.cpp).
void ReportError(Run& run, std::string_view description, std::string_view routine,
                 std::string_view lastStep);

// Runs `step`; an exception it throws is reported under `routine` and
// swallowed, so the caller continues with its next step.
template <typename Step>
void TrapErrors(Run& run, std::string_view routine, Step&& step) {
  try {
    step();
  } catch (const std::exception& error) {
    ReportError(run, error.what(), routine, "");
  } catch (...) {
    ReportError(run, "Unknown error", routine, "");
  }
}

}  // namespace pavane::reporting
