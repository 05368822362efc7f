// The registry values through which the program talks to the main
// application's setup: the reply left at the end of a Tandem-mode run and
// the first-run marks written when the newsletter screen loads.
#pragma once

#include <string_view>

#include "run/run.h"

namespace pavane::reporting {

// The end-of-run reply: with no TandemReply the "Tandem" value under the
// application's key is deleted, otherwise the reply goes to the main
// application (SetTandemValue).
void StoreTandemReply(Run& run);

// Writes `text` into "Tandem" under the main application's key (always
// Orlent's, whatever the main application of the run), but only when that
// value exists: the main application's setup leaves it when it wants a reply.
void SetTandemValue(Run& run, std::string_view text);

// "MainInstallerName" and "InstallDate" (now, UTC) under the application's
// key, unless "MainInstallerName" names our ProductKeyName already.
void UpdateFirstRunMarks(Run& run);

}  // namespace pavane::reporting
