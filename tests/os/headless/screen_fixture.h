// What the window-system tests share: events that are recorded and can be
// given behaviour, a design in the screens' shape, and for the headless
// window system pages written to a temporary folder whose name has a blank
// in it.
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
  bool cancelNavigation = false;
  std::string mayLoad = "file:///";
};

inline WidgetSpec Widget(std::string name, WidgetKind kind, std::string container, int left,
                         int top, int width, int height, std::string caption = "") {
  WidgetSpec widget{std::move(name), kind, std::move(container), {}};
  widget.state.caption = std::move(caption);
  widget.state.left = left;
  widget.state.top = top;
  widget.state.width = width;
  widget.state.height = height;
  // The screens' defaults: the theme's colours.
  widget.state.foreColor = static_cast<std::int32_t>(0x80000012);
  widget.state.backColor = static_cast<std::int32_t>(0x8000000F);
  return widget;
}

// A small screen in the screens' shape: header panel, page, bottom panel
// with two buttons, the colour picture and a caption bar. 320 x 240 pixels
// at 15 twips to the pixel.
inline WindowSpec ScreenDesign() {
  WindowSpec design{"frmTest", "Test screen", 4800, 3600, {}};
  auto& w = design.widgets;
  w.push_back(Widget("fraTop", WidgetKind::kFrame, "", 0, 0, 4800, 600));
  w.back().state.backColor = 0x00FFA008;  // red 08, green A0, blue FF
  w.push_back(Widget("fra1", WidgetKind::kFrame, "", 0, 600, 4800, 2400));
  w.push_back(Widget("fraBottom", WidgetKind::kFrame, "", 0, 3000, 4800, 600));
  w.push_back(Widget("WebBrowser1", WidgetKind::kBrowser, "fra1", 0, 0, 4800, 2400));
  w.push_back(Widget("lblLegal", WidgetKind::kLinkLabel, "fraBottom", 120, 120, 1500, 300,
                     "[<forecolor=FF0000>License</forecolor>]"));
  w.push_back(Widget("cmdSkip", WidgetKind::kButton, "fraBottom", 1500, 120, 1500, 400, "&Skip"));
  w.push_back(Widget("cmdNext", WidgetKind::kButton, "fraBottom", 3000, 120, 1500, 400, "&Next >"));
  w.push_back(Widget("txtName", WidgetKind::kTextBox, "", 3000, 3100, 600, 300));
  w.push_back(Widget("pictDummy", WidgetKind::kPicture, "", 0, 0, 150, 150));
  w.push_back(Widget("UniFormCaptionB1", WidgetKind::kCaptionBar, "", 0, 0, 0, 0));
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

  testing::TempDir dir;
  std::ostringstream out;
  std::ostringstream errors;
  HeadlessWindowSystem system;
};

}  // namespace pavane::os::headless
