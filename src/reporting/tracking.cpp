// The values of the tracking and sign-up requests are percent-encoded, one by
// one, while keys and the "?", "&", "=" of the query stay as written: a fact
// holding "&" or "=" would otherwise split into keys of its own on the server,
// and a blank would break the request line. A server that decodes its query
// gets exactly the stored text back.
#include "reporting/tracking.h"

#include "os/url_encoding.h"
#include "platform/text.h"
#include "reporting/http_get.h"
#include "reporting/installation_facts.h"

namespace pavane::reporting {
namespace {

void Append(std::string& url, std::string_view key, std::string_view value) {
  url += key;
  url += os::EncodeQueryComponent(value);
}

}  // namespace

std::string BuildEventUrl(Run& run, std::string_view action, std::string_view origin) {
  const InstallationFacts facts = ReadInstallationFacts(run);
  std::string url = run.Profile.TrackingUrl;
  url += "source=Installer";
  Append(url, "&application=", run.Profile.ProfileAppCode);
  Append(url, "&action=", action);
  Append(url, "&aid=", facts.Aid);
  Append(url, "&pid=", facts.Pid);
  Append(url, "&installer=", facts.Installer);
  Append(url, "&origin=", origin);
  Append(url, "&installerexename=", facts.InstallerExeName);
  Append(url, "&referrerapplication=", facts.RefApp);
  Append(url, "&referrerinstaller=", facts.RefInst);
  Append(url, "&applicationversion=", platform::ReplaceAll(facts.ProductVersion, "_", "."));
  // A tracking address configured with its own item count keeps it.
  if (!platform::Contains(url, "&itemcount=")) Append(url, "&itemcount=", facts.ItemCount);
  Append(url, "&installdate=", facts.InstallDate);
  Append(url, "&trigger=", facts.Trigger);
  Append(url, "&wait=", facts.Wait);
  Append(url, "&pc=", kPassCode);
  return url;
}

void ReportEvent(Run& run, std::string_view action, std::string_view origin) {
  HttpGet(run, BuildEventUrl(run, action, origin));
}

std::string DecorateUrl(Run& run, std::string_view url) {
  const InstallationFacts facts = ReadInstallationFacts(run);
  std::string decorated(url);
  decorated += platform::Contains(url, "?") ? "&source=Installer" : "?source=Installer";
  Append(decorated, "&application=", run.Profile.ProfileAppCode);
  Append(decorated, "&aid=", facts.Aid);
  Append(decorated, "&pid=", facts.Pid);
  Append(decorated, "&installer=", facts.Installer);
  Append(decorated, "&itemcount=", facts.ItemCount);
  Append(decorated, "&applicationversion=", ProgramVersion('.'));
  Append(decorated, "&installerexename=", facts.InstallerExeName);
  Append(decorated, "&referrerapplication=", facts.RefApp);
  Append(decorated, "&referrerinstaller=", facts.RefInst);
  Append(decorated, "&installdate=", facts.InstallDate);
  Append(decorated, "&trigger=", facts.Trigger);
  Append(decorated, "&wait=", facts.Wait);
  Append(decorated, "&pc=", kPassCode);
  return decorated;
}

}  // namespace pavane::reporting
