#include "reporting/registry_flags.h"

#include "platform/system_helpers.h"
#include "platform/text.h"

namespace pavane::reporting {
namespace {

constexpr const char* kMainApplicationKey = "HKEY_LOCAL_MACHINE\\Software\\Orlent";

}  // namespace

void StoreTandemReply(Run& run) {
  if (run.Settings.TandemReply.empty()) {
    run.Registry.DeleteValue(run.Profile.ApplicationKey(), "Tandem");
  } else {
    SetTandemValue(run, run.Settings.TandemReply);
  }
}

void SetTandemValue(Run& run, std::string_view text) {
  const std::string current = run.Registry.GetStringValue(kMainApplicationKey, "Tandem");
  if (platform::LowerCase(current) == "error") return;
  run.Registry.SetStringValue(kMainApplicationKey, "Tandem", text);
}

void UpdateFirstRunMarks(Run& run) {
  const std::string key = run.Profile.ApplicationKey();
  if (run.Registry.GetStringValue(key, "MainInstallerName") == run.Profile.ProductKeyName) return;
  run.Registry.SetStringValue(key, "MainInstallerName", run.Profile.ProductKeyName);
  run.Registry.SetStringValue(key, "InstallDate", platform::GetUtcTimeString());
}

}  // namespace pavane::reporting
