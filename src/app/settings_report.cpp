#include "app/settings_report.h"

#include <nlohmann/json.hpp>

namespace pavane::app {

std::string SettingsAsJson(const RunSettings& s, bool result, const std::string& message) {
  nlohmann::ordered_json json;
  json["ExeName"] = s.ExeName;
  json["MainAppCode"] = s.MainAppCode;
  json["ShownAppCode"] = s.ShownAppCode;
  json["SaccCode"] = s.SaccCode;
  json["MainAppIndex"] = s.MainAppIndex;
  json["CommandLineText"] = s.CommandLineText;
  json["LanguageCode"] = s.LanguageCode;
  json["LoaderFileName"] = s.LoaderFileName;
  json["ResolveMode"] = s.ResolveMode;
  json["FailEastAsianFonts"] = s.FailEastAsianFonts;
  json["ProductionMode"] = s.ProductionMode;
  json["TestMode"] = s.TestMode;
  json["EventOrigin"] = s.EventOrigin;
  json["TandemReply"] = s.TandemReply;
  json["ParentFolder"] = s.ParentFolder;
  json["HtmlScreensFolder"] = s.HtmlScreensFolder;
  json["ParentLocalizedFolder"] = s.ParentLocalizedFolder;
  json["OwnLocalizedFolder"] = s.OwnLocalizedFolder;
  json["PavaneScreensFolder"] = s.PavaneScreensFolder;
  json["ScalingPercent"] = s.ScalingPercent;
  json["result"] = result;
  json["message"] = message;
  // Invalid UTF-8 from a command line is shown, not refused.
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace pavane::app
