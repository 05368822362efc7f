// The run settings: what the command line, start-up and the screens decide
// about this run. One record per run, created with these initial values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pavane {

struct RunSettings {
  // The program file as a firewall or a process list names it here.
  std::string ExeName = "pavane";
  std::string MainAppCode;
  std::string ShownAppCode;
  std::string SaccCode;
  std::int16_t MainAppIndex = 0;
  std::string CommandLineText;
  std::string LanguageCode;
  std::string LoaderFileName = "LanguageLoader.ini";
  bool ResolveMode = false;
  bool FailEastAsianFonts = false;
  bool ProductionMode = true;
  bool TestMode = false;
  std::string EventOrigin;
  std::string TandemReply;
  std::string ParentFolder;
  std::string HtmlScreensFolder;
  std::string ParentLocalizedFolder;
  std::string OwnLocalizedFolder;
  std::string PavaneScreensFolder;
  std::int16_t ScalingPercent = 0;
};

// Index of a product in every per-product table: 1 "OL", 2 "SW", 4 "PT";
// 0 for any other code.
std::int16_t ProductIndex(std::string_view appCode);

}  // namespace pavane
