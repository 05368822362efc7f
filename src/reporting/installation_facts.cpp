#include "reporting/installation_facts.h"

#include "os/url_encoding.h"
#include "pavane/build_config.h"
#include "platform/text.h"

namespace pavane::reporting {
namespace {

std::string Fact(Run& run, std::string_view name) {
  std::string value =
      platform::Trim(run.Registry.GetStringValue(run.Profile.ApplicationKey(), name));
  if (platform::LowerCase(value) == "error") return {};
  return value;
}

// The setup stores a Windows path; a path written the Linux way is cut too.
std::string FileNamePart(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

InstallationFacts ReadInstallationFacts(Run& run) {
  InstallationFacts facts;
  facts.Aid = Fact(run, "AID");
  facts.Pid = Fact(run, "PID");
  facts.Installer = Fact(run, "Installer");
  facts.ProductVersion = Fact(run, "ProductVersion");
  facts.InstallerExeName = FileNamePart(Fact(run, "InstallerExe"));
  facts.RefApp = Fact(run, "RefApp");
  facts.RefInst = Fact(run, "RefInst");
  facts.InstallDate = Fact(run, "InstallDate");
  facts.ItemCount = Fact(run, "ItemCount");
  facts.Trigger = Fact(run, "Trigger");
  facts.Wait = Fact(run, "Wait");
  return facts;
}

std::string ProgramVersion(char separator) {
  return std::to_string(build::kVersionMajor) + separator + std::to_string(build::kVersionMinor) +
         separator + std::to_string(build::kVersionRevision);
}

void AppendQueryValue(std::string& url, std::string_view key, std::string_view value) {
  url += key;
  url += os::EncodeQueryComponent(value);
}

}  // namespace pavane::reporting
