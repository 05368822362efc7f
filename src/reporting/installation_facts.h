// The installation facts that the main application's setup leaves under the
// application key, as the tracking and sign-up requests send them.
#pragma once

#include <string>
#include <string_view>

#include "run/run.h"

namespace pavane::reporting {

struct InstallationFacts {
  std::string Aid;
  std::string Pid;
  std::string Installer;
  std::string ProductVersion;    // as stored, "_" not yet replaced
  std::string InstallerExeName;  // only the file-name part
  std::string RefApp;
  std::string RefInst;
  std::string InstallDate;
  std::string ItemCount;
  std::string Trigger;
  std::string Wait;
};

// Reads every fact afresh: the setup may write them while we run. A value
// that cannot be read (the registry's "Error") is empty.
InstallationFacts ReadInstallationFacts(Run& run);

// Appends "key" and the value percent-encoded: the keys and the "?", "&",
// "=" of a query stay as written, the values can no longer break it.
void AppendQueryValue(std::string& url, std::string_view key, std::string_view value);

// "major.minor.revision" or with another separator, of this program itself.
std::string ProgramVersion(char separator);

}  // namespace pavane::reporting
