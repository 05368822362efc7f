// The error reporter composes the monitor address for the first two errors of
// a run but does not send it: whether error reports go to the maker's monitor
// page is still open, and until it is decided nothing leaves the machine. The
// address is built all the same so that sending it is a one-line change.
#include "reporting/error_trap.h"

#include "platform/system_helpers.h"
#include "reporting/installation_facts.h"

namespace pavane::reporting {
namespace {

constexpr int kMonitoredErrorsPerRun = 2;

std::string StateValueName(const Run& run) {
  return run.Profile.StateValueName.empty() ? "TDState" : run.Profile.StateValueName;
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
  AppendQueryValue(url, "Edition=", run.Profile.EditionMarker);
  AppendQueryValue(url, "&OLRTFunction=", routine);
  AppendQueryValue(url, "&OLRTDescription=", description);
  // Source, number and line belong to the old run-time's error object; a
  // C++ exception has none of them.
  AppendQueryValue(url, "&OLRTSource=", "");
  AppendQueryValue(url, "&OLRTNumber=", "");
  AppendQueryValue(url, "&OLRTLine=", "");
  AppendQueryValue(url, "&OLState=", TattleTale(run, ""));
  AppendQueryValue(url, "&OLRTOsVer=", platform::OsVersion());
  AppendQueryValue(url, "&OLRTScanCount=", "NA");
  AppendQueryValue(url, "&OLRTVersion=", ProgramVersion('_'));
  AppendQueryValue(url, "&OLRTLastStep=", lastStep);
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
