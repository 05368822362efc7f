// The values of the tracking and sign-up requests are percent-encoded, one by
// one, while keys and the "?", "&", "=" of the query stay as written: a fact
// holding "&" or "=" would otherwise split into keys of its own on the server,
// and a blank would break the request line. A server that decodes its query
// gets exactly the stored text back.
#include "reporting/tracking.h"

#include "platform/text.h"
#include "reporting/http_get.h"
#include "reporting/installation_facts.h"

namespace pavane::reporting {
std::string BuildEventUrl(Run& run, std::string_view action, std::string_view origin) {
  const InstallationFacts facts = ReadInstallationFacts(run);
  std::string url = run.Profile.TrackingUrl;
  url += "source=Installer";
  AppendQueryValue(url, "&application=", run.Profile.ProfileAppCode);
  AppendQueryValue(url, "&action=", action);
  AppendQueryValue(url, "&aid=", facts.Aid);
  AppendQueryValue(url, "&pid=", facts.Pid);
  AppendQueryValue(url, "&installer=", facts.Installer);
  AppendQueryValue(url, "&origin=", origin);
  AppendQueryValue(url, "&installerexename=", facts.InstallerExeName);
  AppendQueryValue(url, "&referrerapplication=", facts.RefApp);
  AppendQueryValue(url, "&referrerinstaller=", facts.RefInst);
  AppendQueryValue(url,
                   "&applicationversion=", platform::ReplaceAll(facts.ProductVersion, "_", "."));
  // A tracking address configured with its own item count keeps it.
  if (!platform::Contains(url, "&itemcount="))
    AppendQueryValue(url, "&itemcount=", facts.ItemCount);
  AppendQueryValue(url, "&installdate=", facts.InstallDate);
  AppendQueryValue(url, "&trigger=", facts.Trigger);
  AppendQueryValue(url, "&wait=", facts.Wait);
  AppendQueryValue(url, "&pc=", kPassCode);
  return url;
}

void ReportEvent(Run& run, std::string_view action, std::string_view origin) {
  HttpGet(run, BuildEventUrl(run, action, origin));
}

std::string DecorateUrl(Run& run, std::string_view url) {
  const InstallationFacts facts = ReadInstallationFacts(run);
  std::string decorated(url);
  decorated += platform::Contains(url, "?") ? "&source=Installer" : "?source=Installer";
  AppendQueryValue(decorated, "&application=", run.Profile.ProfileAppCode);
  AppendQueryValue(decorated, "&aid=", facts.Aid);
  AppendQueryValue(decorated, "&pid=", facts.Pid);
  AppendQueryValue(decorated, "&installer=", facts.Installer);
  AppendQueryValue(decorated, "&itemcount=", facts.ItemCount);
  AppendQueryValue(decorated, "&applicationversion=", ProgramVersion('.'));
  AppendQueryValue(decorated, "&installerexename=", facts.InstallerExeName);
  AppendQueryValue(decorated, "&referrerapplication=", facts.RefApp);
  AppendQueryValue(decorated, "&referrerinstaller=", facts.RefInst);
  AppendQueryValue(decorated, "&installdate=", facts.InstallDate);
  AppendQueryValue(decorated, "&trigger=", facts.Trigger);
  AppendQueryValue(decorated, "&wait=", facts.Wait);
  AppendQueryValue(decorated, "&pc=", kPassCode);
  return decorated;
}

}  // namespace pavane::reporting
