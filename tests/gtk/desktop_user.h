// A user at the desktop for a whole run of the program on real windows:
// steps taken one after another on a 50 ms tick, each once its window (or
// message box) is there and the program waits for the user, settled for a
// few ticks, as a person who looks before clicking.
//
// An action runs inside the tick, and GLib does not run the tick again
// until it returns: an action must not wait on something that opens a
// modal window or a message box (buttons and links hand their events on
// through the loop, so pressing and following are safe).
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "gtk/contact_sheet.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/gtk/gtk_window_system.h"

namespace pavane::os::gtk::testing {

class DesktopUser {
 public:
  using Action = std::function<void(GtkScreenWindow&)>;

  // Screenshots go to `shots` (a folder; none when empty), which is
  // <root>/<scaling>/<language>: when the user leaves, the pictures and the
  // problems found on them are recorded there and the contact sheet of root
  // is written again. A run that has not finished after `limit` is ended:
  // boxes answered, the loop quit.
  DesktopUser(GtkWindowSystem& ui, std::string shots = "",
              std::chrono::seconds limit = std::chrono::seconds(90));
  ~DesktopUser();
  DesktopUser(const DesktopUser&) = delete;
  DesktopUser& operator=(const DesktopUser&) = delete;

  // At the window `name` (the active one, its pages loaded, the first page's
  // address holding `page`): the actions, in order. Every window the user
  // comes to is looked at first (LayoutFaults).
  DesktopUser& At(std::string name, std::vector<Action> actions, std::string page = "");
  // The message box on show: a screenshot when `shot` is given, then
  // `button` (a message_box::kId... code).
  DesktopUser& Answer(int button, std::string shot = "");

  bool Finished() const { return next_ == steps_.size(); }
  // What the user did not get to (for a failing test's message).
  std::string Waiting() const;
  // The texts of the message boxes answered, in order.
  const std::vector<std::string>& BoxTexts() const { return boxTexts_; }

  // --- Actions.

  // Saves the window (with everything on it) as <shots>/<name>.png.
  Action Shot(std::string name);
  static Action Fill(std::string id, std::string value);
  // Ticks (or unticks) a check box of a page by clicking it.
  static Action Tick(std::string id);
  // Presses a native button; it must be enabled.
  static Action Press(std::string button);
  // Clicks the link of a page whose href is `href`.
  static Action Follow(std::string href);
  static Action Do(std::function<void(GtkScreenWindow&)> action) { return action; }

 private:
  struct Step {
    std::string window;  // "" for a message box
    std::string page;
    std::vector<Action> actions;
    int button = 0;
    std::string shot;
  };
  void OnTick();
  bool Ready(const Step& step) const;

  GtkWindowSystem& ui_;
  std::string shots_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int settled_ = 0;
  bool gaveUp_ = false;
  std::vector<std::string> boxTexts_;
  std::vector<std::string> faults_;  // found on the window of the current step
  std::vector<SheetShot> saved_;
  EventLoop::TimerId timer_;
  EventLoop::TimerId watchdog_;
};

// What a user would see amiss in the window: text cut off or pushed out of
// its place (a widget grown beyond its designed size, or beyond its panel),
// characters without a glyph, an error text or a placeholder left in a
// text. One line each.
std::vector<std::string> LayoutFaults(GtkScreenWindow& window);

// Whether a shown text is an error text or holds a placeholder that was
// not resolved.
bool ShowsErrorText(std::string_view text);

// Draws `widget` (a window, a dialog) into a PNG file; false when it cannot.
bool SavePng(GtkWidget* widget, const std::string& file);
// The colour of the drawn widget at (x, y) as "#RRGGBB", as the page's
// document.bgColor reads; "" when it cannot be drawn.
std::string RenderedColour(GtkWidget* widget, int x, int y);

// The page element `id` in any of the window's pages: the browser holding
// it, or null.
GtkBrowser* PageWith(GtkScreenWindow& window, const std::string& id);

}  // namespace pavane::os::gtk::testing
