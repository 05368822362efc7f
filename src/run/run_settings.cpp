#include "run/run_settings.h"

#include "run/application_profile.h"

namespace pavane {

std::int16_t ProductIndex(std::string_view appCode) {
  if (appCode == "OL") return 1;
  if (appCode == "SW") return 2;
  if (appCode == "PT") return 4;
  return 0;
}

std::string ApplicationProfile::ApplicationKey() const {
  // No application, no key: the registry neither reads nor writes for it.
  return ProductKeyName.empty() ? std::string() : "HKEY_LOCAL_MACHINE\\Software\\" + ProductKeyName;
}

}  // namespace pavane
