// The message loop of the desktop window system: the GLib main context that
// GTK and WebKitGTK run on.
//
// Every wait is the same pattern: a flag that a callback sets (a timeout
// source, a window closing, Quit), and blocking iterations of the context
// until it is set. Nothing ever spins: an iteration sleeps in poll() until a
// source is due. Events that GTK or WebKit raise are handed to the screens
// through Post, on a later iteration, so a screen's handler never runs
// inside WebKit's own signal emission.
//
// Quit ends Run and every nested modal window's wait; until Run has
// returned, new modal waits return at once, as in the headless loop, so the
// program unwinds through its own code. A message box still waits for its
// answer: what it says is often the last thing a run tells the user. A run
// that a script ended (EndRun) has no user left: from then on every wait
// for the user returns at once, and Run keeps the failing status.
#pragma once

#include <glib.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::gtk {

class GtkLoop final : public EventLoop {
 public:
  GtkLoop();
  ~GtkLoop() override;
  GtkLoop(const GtkLoop&) = delete;
  GtkLoop& operator=(const GtkLoop&) = delete;

  void PumpPending() override;
  void Sleep(std::chrono::milliseconds duration) override;
  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) override;
  TimerId StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) override;
  void StopTimer(TimerId id) override;
  int Run() override;
  void Quit(int status) override;

  // Iterates until `ready()`; Notify (any thread) wakes the context so that
  // `ready()` is looked at again.
  void WaitUntil(const std::function<bool()>& ready) override;
  void Notify() override;

  // --- GTK only.

  GMainContext* Context() const { return context_; }
  // Runs `event` on a later iteration.
  void Post(std::function<void()> event);
  // Iterates until `done()`, or `limit` has passed when one is given;
  // returns `done()`.
  bool IterateUntil(const std::function<bool()>& done,
                    std::optional<std::chrono::milliseconds> limit = std::nullopt);
  // A modal wait: iterates until `done()` or a Quit.
  void RunModal(const std::function<bool()>& done);
  // A wait for the user's answer (a message box): iterates until `done()`;
  // a Quit does not end it.
  void WaitForAnswer(const std::function<bool()>& done);
  // The innermost wait is for the user (Run, a modal window, a message
  // box), not one of the program's own (a sleep, a page load, a script).
  bool UsersTurn() const { return !waits_.empty() && waits_.back(); }
  bool QuitRequested() const { return quitRequested_; }
  std::size_t TimerCount() const { return timers_.size(); }
  // Ends the run for good with `status` (see above).
  void EndRun(int status);
  bool Ended() const { return ended_; }

 private:
  struct Timer {
    guint source = 0;
    std::shared_ptr<std::function<void()>> tick;
  };
  struct TimerTag {
    GtkLoop* loop;
    TimerId id;
  };
  static gboolean OnTimer(gpointer data);
  bool Iterate(const std::function<bool()>& done, std::optional<std::chrono::milliseconds> limit,
               bool forUser);

  GMainContext* context_;
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  std::vector<bool> waits_;  // the nested waits, innermost last: true for the user's
  bool quitRequested_ = false;
  int status_ = 0;
  bool ended_ = false;
};

}  // namespace pavane::os::gtk
