#include "os/gtk/gtk_loop.h"

#include <algorithm>

namespace pavane::os::gtk {
namespace {

// A source that is ready again each time it ran (an animation, a busy page)
// must not keep PumpPending from returning.
constexpr int kMaxPumpIterations = 10000;

gboolean SetFlag(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

gboolean RunPosted(gpointer data) {
  (*static_cast<std::function<void()>*>(data))();
  return G_SOURCE_REMOVE;
}

void DeletePosted(gpointer data) {
  delete static_cast<std::function<void()>*>(data);
}

guint Milliseconds(std::chrono::milliseconds duration) {
  return static_cast<guint>(
      std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, G_MAXINT));
}

}  // namespace

GtkLoop::GtkLoop() : context_(g_main_context_default()) {}

GtkLoop::~GtkLoop() {
  for (const auto& [id, timer] : timers_) g_source_remove(timer.source);
}

void GtkLoop::PumpPending() {
  for (int i = 0; i < kMaxPumpIterations && g_main_context_pending(context_); ++i) {
    g_main_context_iteration(context_, FALSE);
  }
}

bool GtkLoop::IterateUntil(const std::function<bool()>& done,
                           std::optional<std::chrono::milliseconds> limit) {
  return Iterate(done, limit, false);
}

bool GtkLoop::Iterate(const std::function<bool()>& done,
                      std::optional<std::chrono::milliseconds> limit, bool forUser) {
  waits_.push_back(forUser);
  bool expired = false;
  guint timeout = 0;
  if (limit) timeout = g_timeout_add(Milliseconds(*limit), SetFlag, &expired);
  while (!done() && !expired) g_main_context_iteration(context_, TRUE);
  if (!expired && timeout != 0) g_source_remove(timeout);
  waits_.pop_back();
  return done();
}

void GtkLoop::Sleep(std::chrono::milliseconds duration) {
  if (duration.count() <= 0) {
    PumpPending();
    return;
  }
  IterateUntil([] { return false; }, duration);
}

bool GtkLoop::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  PumpPending();
  return IterateUntil(done, limit);
}

EventLoop::TimerId GtkLoop::StartTimer(std::chrono::milliseconds interval,
                                       std::function<void()> tick) {
  const TimerId id = nextTimer_++;
  // A zero interval would make the timer a source that is always ready.
  const guint ms = std::max<guint>(Milliseconds(interval), 1);
  const guint source = g_timeout_add_full(G_PRIORITY_DEFAULT, ms, OnTimer, new TimerTag{this, id},
                                          [](gpointer tag) { delete static_cast<TimerTag*>(tag); });
  timers_[id] = Timer{source, std::make_shared<std::function<void()>>(std::move(tick))};
  return id;
}

gboolean GtkLoop::OnTimer(gpointer data) {
  const auto* tag = static_cast<TimerTag*>(data);
  const auto found = tag->loop->timers_.find(tag->id);
  if (found == tag->loop->timers_.end()) return G_SOURCE_REMOVE;
  // StopTimer from inside the tick destroys the source and the map entry;
  // the tick itself stays alive until it returns. GLib does not dispatch a
  // source again while its callback runs, so a tick that sleeps is not
  // re-entered.
  const auto tick = found->second.tick;
  (*tick)();
  return G_SOURCE_CONTINUE;
}

void GtkLoop::StopTimer(TimerId id) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  g_source_remove(found->second.source);
  timers_.erase(found);
}

int GtkLoop::Run() {
  RunModal([] { return false; });
  quitRequested_ = false;
  return status_;
}

void GtkLoop::RunModal(const std::function<bool()>& done) {
  Iterate([&] { return quitRequested_ || ended_ || done(); }, std::nullopt, true);
}

void GtkLoop::WaitForAnswer(const std::function<bool()>& done) {
  Iterate([&] { return ended_ || done(); }, std::nullopt, true);
}

void GtkLoop::Quit(int status) {
  if (!ended_) status_ = status;
  quitRequested_ = true;
  // The waits look at the flag after the iteration that called Quit; when
  // Quit comes from outside any dispatch, the wake-up makes them look.
  g_main_context_wakeup(context_);
}

void GtkLoop::EndRun(int status) {
  if (!ended_) status_ = status;
  ended_ = true;
  Quit(status);
}

void GtkLoop::WaitUntil(const std::function<bool()>& ready) {
  IterateUntil(ready);
}

void GtkLoop::Notify() {
  // Thread-safe: a wake-up that arrives before the loop blocks makes the
  // next iteration return at once, so none is lost.
  g_main_context_wakeup(context_);
}

void GtkLoop::Post(std::function<void()> event) {
  g_idle_add_full(G_PRIORITY_DEFAULT, RunPosted, new std::function<void()>(std::move(event)),
                  DeletePosted);
}

}  // namespace pavane::os::gtk
