// The hand-over of an accepted offer to the maker's downloader: we do not
// download the product ourselves, we start Fetchwick.exe with a command line
// that names the download, the target file, the product, the main
// application and the language, and leave the rest to it. The offer screen
// shows the warnings around this step; what is decided and started is here.
#pragma once

#include <string>
#include <string_view>

#include "run/run.h"

namespace pavane::reporting {

// Everything one acceptance needs, built from the run alone.
struct DownloadPlan {
  std::string productKeyName;  // the offered product's key: Patchory, Sweeple, Orlent
  std::string downloadUrl;     // with its forward slashes, as the test-mode message shows it
  std::string targetFile;      // in the user's private temporary folder; "" when there is none
  std::string targetProblem;   // why there is no target file
  std::string downloaderPath;  // unquoted
  std::string commandLine;     // what the downloader is started with, program path first
  std::string arguments;       // the command line after the program path
  bool pavaneMode = false;     // a sales account chose the offer (SaccCode not empty)
};

// The plan for the offer of `run.Settings.ShownAppCode`. The downloader lies
// in the program's own folder in production (`programFolder`, else
// run.ProgramFolder, else the running program's folder) and in "FW" beside
// it (under ParentFolder) in the development layout. A code that names no product
// gives empty product fields.
DownloadPlan PlanDownload(const Run& run, std::string_view programFolder = {});

// The firewall warning of the Tandem mode: the downloader's name, quoted, in
// place of ">>>gsAppSetup}".
std::string FirewallMessage(std::string text);

// Tells the offered product which application's setup brought it:
// "MainInstallerName" under the offered product's key becomes our
// ProductKeyName, creating the key, unless it names it already.
void MarkOfferedProduct(Run& run, const DownloadPlan& plan);

// Starts the downloader with the plan's command line and does not wait for
// it, then marks the offered product (MarkOfferedProduct). A downloader that
// is missing or cannot be started (or a plan without product or target)
// starts nothing and leaves the registry alone: false, with the reason in
// `error` when given.
bool StartDownloader(Run& run, const DownloadPlan& plan, std::string* error = nullptr);

}  // namespace pavane::reporting
