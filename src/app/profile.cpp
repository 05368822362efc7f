#include "app/profile.h"

#include <array>
#include <string>

#include "platform/system_helpers.h"
#include "reporting/error_trap.h"

namespace pavane::app {
namespace {

struct AppValues {
  std::string_view code;
  std::string_view keyName;
  std::string_view edition;
  std::string_view serverPath;
  std::string_view daysDelay;
};

constexpr std::array<AppValues, 3> kApps{{
    {"PT", "Patch-ory", "PTTD", "/pt", "10"},
    {"SW", "Sweeple", "SWTD", "/sw", "7"},
    {"OL", "Orlent", "OLTD", "/ol", "7"},
}};

const AppValues* FindApp(std::string_view code) {
  for (const AppValues& app : kApps) {
    if (app.code == code) return &app;
  }
  return nullptr;
}

std::string LanguageText(const Run& run, std::string_view name) {
  return run.Texts != nullptr ? run.Texts->GetStrLocValue(name) : std::string();
}

void SetLanguageDependentValues(Run& run, const AppValues* app) {
  ApplicationProfile& profile = run.Profile;
  profile.AccountPageUrl = run.Deploy.AccountHost + "/default.asp";
  profile.TrackingUrl = profile.ServerBaseUrl + "/tr.asp?";
  profile.StateValueName = "TDState";

  const std::string programFiles = platform::ProgramFilesFolder();
  profile.ProductExePaths[0] = programFiles;
  profile.ProductExePaths[2] = platform::JoinPath(programFiles, "Sweeple/sweeple.exe");
  profile.ProductExePaths[1] = platform::JoinPath(programFiles, "Orlent/orlent.exe");
  profile.ProductExePaths[4] = platform::JoinPath(programFiles, "Patchory/Patch-ory.exe");

  for (const auto& [index, code] : {std::pair{2, "SW"}, std::pair{1, "OL"}, std::pair{4, "PT"}}) {
    const std::string suffix(code);
    profile.TandemInstallerNames[index] = LanguageText(run, "str_SH_TD_Installer_" + suffix);
    profile.SaccInputFileUrls[index] = LanguageText(run, "strURL_SH_InputFileSACC_" + suffix);
    profile.PavaneInstallerNames[index] = LanguageText(run, "str_SH_PV_Installer_" + suffix);
  }

  // Every product's offer pages wait seven days, except that the main
  // application's own entry carries its days delay (ten for the updater).
  profile.DaysDelay[1] = "7";
  profile.DaysDelay[2] = "7";
  profile.DaysDelay[4] = "7";
  const std::int16_t ownIndex = app != nullptr ? ProductIndex(app->code) : 0;
  if (ownIndex != 0) profile.DaysDelay[ownIndex] = std::string(app->daysDelay);
}

}  // namespace

void SetStrings(Run& run, std::string_view appCode, bool appValuesOnly) {
  reporting::TrapErrors(run, "SetStringsOrlent", [&] {
    ApplicationProfile& profile = run.Profile;
    profile.DoneMarkers[4] = kNotDoneMarker;
    profile.DoneMarkers[2] = kNotDoneMarker;
    profile.DoneMarkers[1] = kNotDoneMarker;
    profile.DownloaderName = "/Fetchwick.exe";

    const AppValues* app = FindApp(appCode);
    profile.ProductKeyName = app != nullptr ? app->keyName : "";
    profile.ProfileAppCode = app != nullptr ? app->code : "";
    profile.EditionMarker = app != nullptr ? app->edition : "";
    // Any other application still reports, to the server without a product path.
    profile.ServerBaseUrl =
        run.Deploy.ServerBase + (app != nullptr ? std::string(app->serverPath) : std::string());
    if (app != nullptr) profile.DoneMarkers[ProductIndex(app->code)] = kDoneMarker;

    if (!appValuesOnly) SetLanguageDependentValues(run, app);
  });
}

}  // namespace pavane::app
