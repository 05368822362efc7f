// The error reporter composes the monitor address for the first two errors of
// a run but does not send it: whether error reports go to the maker's monitor
// page is still open, and until it is decided nothing leaves the machine. The
// address is built all the same so that sending it is a one-line change.
#include "reporting/error_trap.h"

#include "os/url_encoding.h"
#include "platform/system_helpers.h"
#include "reporting/installation_facts.h"

namespace pavane::reporting {
namespace {

constexpr int kMonitoredErrorsPerRun = 2;

std::string StateValueName(const Run& run) {
  return run.Profile.StateValueName.empty() ? "TDState" : run.Profile.StateValueName;
}

void Append(std::string& url, std::string_view key, std::string_view value) {
  url += key;
  url += os::EncodeQueryComponent(value);
}

}  // namespace

std::string TattleTale(Run& run, std::string_view text) {
  if (text.empty())
    return run.Registry.GetStringValue(run.Profile.ApplicationKey(), StateValueName(run));
  run.Registry.DeleteValue(run.Profile.ApplicationKey(), StateValueName(run));
  return {};
}

std::string BuildMonitorUrl(Run& run, std::string_view description, std::string_view routine,
                            std::string_view lastStep) {
  std::string url = run.Profile.ServerBaseUrl + "/monitor.asp?";
  Append(url, "Edition=", run.Profile.EditionMarker);
  Append(url, "&OLRTFunction=", routine);
  Append(url, "&OLRTDescription=", description);
  // Source, number and line belong to the old run-time's error object; a
  // C++ exception has none of them.
  Append(url, "&OLRTSource=", "");
  Append(url, "&OLRTNumber=", "");
  Append(url, "&OLRTLine=", "");
  Append(url, "&OLState=", TattleTale(run, ""));
  Append(url, "&OLRTOsVer=", platform::OsVersion());
  Append(url, "&OLRTScanCount=", "NA");
  Append(url, "&OLRTVersion=", ProgramVersion('_'));
  Append(url, "&OLRTLastStep=", lastStep);
  return url;
}

void ReportError(Run& run, std::string_view description, std::string_view routine,
                 std::string_view lastStep) {
  ++run.ReportedErrors;
  if (run.ReportedErrors <= kMonitoredErrorsPerRun) {
    TattleTale(run, "ERROR: " + BuildMonitorUrl(run, description, routine, lastStep));
  } else {
    TattleTale(run, "ERROR");
  }
}

}  // namespace pavane::reporting
