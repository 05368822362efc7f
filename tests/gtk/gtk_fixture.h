// What the desktop-backend tests share: a window system on the display
// (the test is skipped without one), a window that records its events, and
// waits that run the GLib loop with a time limit.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <type_traits>

#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/gtk/gtk_window_system.h"
#include "os/headless/screen_fixture.h"
#include "support/installation.h"
#include "support/temp_dir.h"

namespace pavane::os::gtk::testing {

using namespace std::chrono_literals;

using RecordedEvents = headless::ScreenEvents;
using headless::ScreenDesign;

// A window system for a test: the headless one, or the desktop's (the test
// is skipped without a display).
template <typename System>
class WindowSystemTest : public ::testing::Test {
 protected:
  static constexpr bool kHeadless = !std::is_same_v<System, GtkWindowSystem>;

  void SetUp() override {
    if constexpr (!kHeadless) {
      if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        GTEST_SKIP() << "no display; run under xvfb-run";
      }
      // Before GLib learns where the desktop's folders are.
      pavane::testing::Installation::RegisterTestBrowser(PAVANE_STUB_DOWNLOADER);
      // A virtual display busy with another test now and then refuses a
      // connection; a second try a moment later gets one.
      std::string error;
      for (int attempt = 0; attempt < 3 && ui == nullptr; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(200ms);
        ui = GtkWindowSystem::Create(error);
      }
      ASSERT_NE(ui, nullptr) << error;
    } else {
      ui = std::make_unique<System>(transcript);
    }
  }

  // Runs the loop until `done()`, at most `limit`.
  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    return ui->Loop().WaitFor(done, limit);
  }

  std::ostringstream transcript;
  std::unique_ptr<System> ui;
  pavane::testing::TempDir dir;
  RecordedEvents events;
};

class GtkTest : public WindowSystemTest<GtkWindowSystem> {
 protected:
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
