#include "reporting/downloader.h"

#include <array>

#include "os/process.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "platform/windows_command_line.h"

namespace pavane::reporting {
namespace {

struct OfferedProduct {
  std::string_view appCode;
  std::string_view keyName;  // without the hyphen the updater's own key has
  std::string_view pathCode;
};

constexpr std::array<OfferedProduct, 3> kOfferedProducts = {{
    {"PT", "Patchory", "pt"},
    {"SW", "Sweeple", "sw"},
    {"OL", "Orlent", "ol"},
}};

const OfferedProduct* FindOffered(std::string_view appCode) {
  for (const OfferedProduct& product : kOfferedProducts) {
    if (product.appCode == appCode) return &product;
  }
  return nullptr;
}

std::string DownloaderPath(const Run& run, std::string_view programFolder) {
  const std::string name = platform::NativePath(run.Profile.DownloaderName);
  if (!run.Settings.ProductionMode) {
    return platform::JoinPath(platform::JoinPath(run.Settings.ParentFolder, "FW"), name);
  }
  std::string folder(programFolder);
  if (folder.empty()) folder = run.ProgramFolder;
  if (folder.empty()) folder = platform::GetParentFolder(os::CurrentProgramPath(), 1);
  return platform::JoinPath(folder, name);
}

// The server base of the offered product. A base that ends in the main
// application's path code ("http://host/ol") gets the offered product's code
// in its place; any other base (a run for an application we do not know
// sends to the bare server) keeps all of itself and gets the code appended,
// so scheme, host and port are never touched.
std::string OfferedServerBase(const Run& run, std::string_view pathCode) {
  std::string base = run.Profile.ServerBaseUrl;
  const OfferedProduct* main = FindOffered(run.Settings.MainAppCode);
  if (main != nullptr && base.ends_with("/" + std::string(main->pathCode))) {
    base.resize(base.size() - main->pathCode.size());
  } else {
    base += '/';
  }
  return base + std::string(pathCode);
}

}  // namespace

DownloadPlan PlanDownload(const Run& run, std::string_view programFolder) {
  const RunSettings& settings = run.Settings;
  const ApplicationProfile& profile = run.Profile;
  const OfferedProduct* product = FindOffered(settings.ShownAppCode);
  const std::string pathCode = product != nullptr ? std::string(product->pathCode) : "";
  const std::size_t index = static_cast<std::size_t>(ProductIndex(settings.ShownAppCode));

  DownloadPlan plan;
  plan.productKeyName = product != nullptr ? std::string(product->keyName) : "";
  plan.pavaneMode = !settings.SaccCode.empty();

  const std::string offeredBase = OfferedServerBase(run, pathCode);
  const std::string& installerName =
      plan.pavaneMode ? profile.PavaneInstallerNames[index] : profile.TandemInstallerNames[index];
  const std::string folder = platform::TempFolder(plan.targetProblem);
  if (!folder.empty()) plan.targetFile = platform::JoinPath(folder, installerName);

  if (plan.pavaneMode) {
    plan.downloadUrl = profile.SaccInputFileUrls[index];
    if (settings.TestMode && !pathCode.empty()) {
      const std::string productPath = "/" + pathCode + "/";
      plan.downloadUrl = platform::ReplaceAll(plan.downloadUrl, productPath, productPath + "test/");
    }
  } else {
    plan.downloadUrl = offeredBase + (settings.TestMode ? "/test" : "") + "/" +
                       profile.TandemInstallerNames[index];
  }

  plan.downloaderPath = DownloaderPath(run, programFolder);

  // The downloader reads its switches the Windows way; this text binds
  // character for character, the "/http=" address in backslashes.
  std::string& line = plan.arguments;
  line = plan.pavaneMode ? " /Verbose /Execute " : " /Execute ";
  // A Temp folder may hold blanks: each value stays one argument.
  line +=
      platform::QuoteWindowsArgument("/http=" + platform::ReplaceAll(plan.downloadUrl, "/", "\\"));
  line += " " + platform::QuoteWindowsArgument("/target=" + plan.targetFile);
  line += " /sacc=" +
          (plan.pavaneMode ? platform::UpperCase(settings.SaccCode) : settings.ShownAppCode);
  line += " /app=" + settings.MainAppCode;
  line += " /language=" + settings.LanguageCode;
  if (settings.TestMode) line += " /K2619";
  plan.commandLine = "\"" + plan.downloaderPath + "\"" + line;
  return plan;
}

std::string FirewallMessage(std::string text) {
  return platform::ReplaceAll(text, ">>>gsAppSetup}", "\"Fetchwick.exe\"");
}

void MarkOfferedProduct(Run& run, const DownloadPlan& plan) {
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\" + plan.productKeyName;
  if (run.Registry.GetStringValue(key, "MainInstallerName") == run.Profile.ProductKeyName) return;
  run.Registry.CreateKey(key);
  run.Registry.SetStringValue(key, "MainInstallerName", run.Profile.ProductKeyName);
}

bool StartDownloader(Run& run, const DownloadPlan& plan, std::string* error) {
  std::string reason;
  bool started = false;
  if (plan.productKeyName.empty()) {
    reason = "No product offered";
  } else if (plan.targetFile.empty()) {
    reason = "No private folder for the download: " + plan.targetProblem;
  } else if (!platform::funFileExists(plan.downloaderPath)) {
    reason = "Downloader not found: " + plan.downloaderPath;
  } else {
    // The path goes to the start as it is: a folder name may hold a double
    // quote, which no quoting of the command line could carry.
    std::vector<std::string> argv = platform::SplitWindowsArguments(plan.arguments);
    argv.insert(argv.begin(), plan.downloaderPath);
    started = os::StartDetached(argv, reason);
    // Only a product whose download is under way is told who brought it.
    if (started) MarkOfferedProduct(run, plan);
  }
  if (error != nullptr) *error = reason;
  return started;
}

}  // namespace pavane::reporting
