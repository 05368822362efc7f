// The message loop of the headless window system, on a virtual clock.
//
// Time passes only when the program sleeps (or the scripted user thinks or
// waits): Sleep moves the clock forward at once and fires every timer that
// falls due on the way, in order. Events (page loads finishing, window
// activations) are queued and run by the next pump, as a real loop would
// deliver them after the call that caused them has returned.
//
// When the program waits for the user (Run, a modal window's loop) the loop
// hands over to the scripted user through the hook the window system sets.
// A run that has ended (a script error, a script that ran out) keeps its
// failing status: later Quit calls do not overwrite it and every later wait
// returns at once, so the program unwinds through its own code.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "os/window_system.h"

namespace pavane::os::headless {

class HeadlessLoop final : public EventLoop {
 public:
  HeadlessLoop();
  ~HeadlessLoop() override;
  HeadlessLoop(const HeadlessLoop&) = delete;
  HeadlessLoop& operator=(const HeadlessLoop&) = delete;

  void PumpPending() override;
  void Sleep(std::chrono::milliseconds duration) override;
  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) override;
  TimerId StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) override;
  void StopTimer(TimerId id) override;
  int Run() override;
  void Quit(int status) override;

  // Pumps, then sleeps until Notify or an end signal; the virtual clock
  // stands still meanwhile.
  void WaitUntil(const std::function<bool()>& ready) override;
  void Notify() override;

  // --- Headless only.

  std::chrono::milliseconds Now() const { return now_; }
  // Queues an event on behalf of `owner` (a window or a browser), so that
  // it can be dropped when the owner goes away.
  void Post(const void* owner, std::function<void()> event);
  void CancelPosted(const void* owner);
  std::size_t TimerCount() const { return timers_.size(); }

  // Called when the program waits for the user and nothing else is pending.
  void SetUserTurn(std::function<void()> turn) { userTurn_ = std::move(turn); }
  void SetThinkTime(std::chrono::milliseconds thinkTime) { thinkTime_ = thinkTime; }
  // Runs events and user turns until `done()` or a quit; modal windows.
  void RunUntil(const std::function<bool()>& done);

  // SIGTERM, SIGINT and SIGHUP from now on run `handler` at the next
  // dispatch instead of ending the process (until this loop is gone).
  void OnEndSignal(std::function<void()> handler);

  bool QuitRequested() const { return quitRequested_; }
  // Ends the run for good with `status` (see above).
  void EndRun(int status);
  bool Ended() const { return ended_; }

 private:
  struct Timer {
    std::chrono::milliseconds interval;
    std::chrono::milliseconds due;
    std::shared_ptr<std::function<void()>> tick;
    bool running = false;
  };
  struct Posted {
    const void* owner;
    std::function<void()> event;
  };

  std::chrono::milliseconds now_{0};
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  std::deque<Posted> posted_;

  std::function<void()> endHandler_;
  bool watchingSignals_ = false;

  std::function<void()> userTurn_;
  std::chrono::milliseconds thinkTime_{100};
  bool quitRequested_ = false;
  int status_ = 0;
  bool ended_ = false;

  // Written by Notify (any thread) and by the end signals' handler, which
  // may do no more than write to a descriptor.
  int wakeFd_ = -1;
};

}  // namespace pavane::os::headless
