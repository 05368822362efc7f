// What the desktop-backend tests share: a window system on the display
// (the test is skipped without one), a window that records its events, and
// waits that run the GLib loop with a time limit.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/gtk/gtk_window_system.h"
#include "os/headless/screen_fixture.h"
#include "support/installation.h"
#include "support/temp_dir.h"

namespace pavane::os::gtk::testing {

using namespace std::chrono_literals;

using RecordedEvents = headless::ScreenEvents;

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
  w.push_back(Widget("lblHdr1", WidgetKind::kLabel, "fraTop", 120, 120, 3000, 300, "Header"));
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

inline bool HasDisplay() {
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// The desktop window system. A virtual display busy with another test now
// and then refuses a connection; a second try a moment later gets one.
inline std::unique_ptr<GtkWindowSystem> ConnectToDisplay(std::string& error) {
  // Before GLib learns where the desktop's folders are.
  pavane::testing::Installation::RegisterTestBrowser(PAVANE_STUB_DOWNLOADER);
  std::unique_ptr<GtkWindowSystem> ui;
  for (int attempt = 0; attempt < 3 && ui == nullptr; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ui = GtkWindowSystem::Create(error);
  }
  return ui;
}

class GtkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasDisplay()) GTEST_SKIP() << "no display; run under xvfb-run";
    std::string error;
    ui = ConnectToDisplay(error);
    ASSERT_NE(ui, nullptr) << error;
  }

  // Runs the loop until `done()`, at most `limit`.
  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    return ui->MainLoop().IterateUntil(done, limit);
  }

  std::unique_ptr<GtkScreenWindow> OpenWindow(RecordedEvents& recorder,
                                              const WindowSpec& design = ScreenDesign()) {
    auto opened = ui->CreateWindow(design, recorder);
    return std::unique_ptr<GtkScreenWindow>(static_cast<GtkScreenWindow*>(opened.release()));
  }

  // Shows the test screen (opened if need be) and waits until it is active.
  void ShowScreen() {
    if (window == nullptr) window = OpenWindow(events);
    window->Show();
    ASSERT_TRUE(WaitFor([&] { return events.Count("activated") == 1; }));
  }

  // Loads `html` (written to a file) into the shown screen's browser and
  // waits for its DocumentComplete.
  GtkBrowser* LoadPage(const std::string& html, const std::string& file = "page.htm") {
    if (window == nullptr) ShowScreen();
    GtkBrowser* browser = window->FindBrowser("WebBrowser1");
    const int before = events.Count("complete WebBrowser1");
    browser->Navigate("file://" + dir.Write(file, html) + "?application=OL&scaling=100");
    EXPECT_TRUE(WaitFor([&] { return events.Count("complete WebBrowser1") > before; }))
        << "the page never completed";
    return browser;
  }

  std::unique_ptr<GtkWindowSystem> ui;
  pavane::testing::TempDir dir;
  RecordedEvents events;
  std::unique_ptr<GtkScreenWindow> window;  // the test screen, closed before the rest
};

// The dialog on show over the test's windows, if any: what a test's "user"
// answers.
inline GtkDialog* ShownDialog() {
  GList* windows = gtk_window_list_toplevels();
  GtkDialog* found = nullptr;
  for (GList* it = windows; it != nullptr; it = it->next) {
    if (GTK_IS_DIALOG(it->data) && gtk_widget_get_visible(GTK_WIDGET(it->data))) {
      found = GTK_DIALOG(it->data);
    }
  }
  g_list_free(windows);
  return found;
}

}  // namespace pavane::os::gtk::testing
