// A screen window on the headless window system for the tests: a design with
// the usual parts, events that are recorded and can be given behaviour, and
// pages written to a temporary folder whose name has a blank in it.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "os/headless/headless_browser.h"
#include "os/headless/headless_window.h"
#include "os/headless/headless_window_system.h"
#include "support/temp_dir.h"

namespace pavane::os::headless {

// Every event of a window, one line each, for both window systems.
class ScreenEvents : public WindowEvents {
 public:
  void Activated() override { log.push_back("activated"); }
  void ButtonClicked(std::string_view widget) override {
    log.push_back("clicked " + std::string(widget));
    if (onClick) onClick(widget);
  }
  void CloseRequested() override { log.push_back("close requested"); }
  void DocumentComplete(std::string_view browser) override {
    log.push_back("complete " + std::string(browser));
  }
  bool BeforeNavigate(std::string_view browser, const std::string& url) override {
    log.push_back("before " + std::string(browser) + " " + url);
    return cancelNavigation;
  }
  // The page's own navigations: only what starts with `mayLoad`.
  bool MayLoad(std::string_view /*browser*/, const std::string& url) override {
    return url.starts_with(mayLoad);
  }
  int Count(const std::string& line) const {
    return static_cast<int>(std::count(log.begin(), log.end(), line));
  }

  std::vector<std::string> log;
  std::function<void(std::string_view)> onClick;
  bool cancelNavigation = false;
  std::string mayLoad = "file:///";
};

inline WindowSpec ScreenDesign(const std::string& name, std::vector<std::string> buttons) {
  WindowSpec design{name, name + " title", 7000, 5000, {}};
  design.widgets.push_back({"fra1", WidgetKind::kFrame, "", {}});
  design.widgets.push_back({"fraBottom", WidgetKind::kFrame, "", {}});
  design.widgets.push_back({"pictDummy", WidgetKind::kPicture, "", {}});
  design.widgets.push_back({"WebBrowser1", WidgetKind::kBrowser, "fra1", {}});
  design.widgets.push_back({"WebBrowser2", WidgetKind::kBrowser, "fra1", {}});
  for (auto& button : buttons)
    design.widgets.push_back({button, WidgetKind::kButton, "fraBottom", {}});
  return design;
}

struct Screens {
  explicit Screens(std::string script = "")
      : system(out, HeadlessOptions{.script = std::move(script), .errors = &errors}) {}

  // Writes a page below "HTML Screens/" and returns its file URL.
  std::string Page(const std::string& name, const std::string& html) {
    dir.Write("HTML Screens/" + name, html);
    return "file://" + dir.path().string() + "/HTML%20Screens/" + name;
  }

  std::unique_ptr<Window> Open(const std::string& name, ScreenEvents& events,
                               std::vector<std::string> buttons = {"cmdNext"}) {
    return system.CreateWindow(ScreenDesign(name, std::move(buttons)), events);
  }

  bool Said(const std::string& line) const {
    const auto& lines = system.TranscriptLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testing::TempDir dir;
  std::ostringstream out;
  std::ostringstream errors;
  HeadlessWindowSystem system;
};

}  // namespace pavane::os::headless
