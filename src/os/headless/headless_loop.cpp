#include "os/headless/headless_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>

namespace pavane::os::headless {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t endSignalled = 0;
// The watching loop's wake descriptor.
volatile std::sig_atomic_t signalWakeFd = -1;
struct sigaction previousActions[std::size(kEndSignals)];

void Wake(int fd) {
  const std::uint64_t one = 1;
  if (fd >= 0) (void)!write(fd, &one, sizeof one);
}

extern "C" void NoteEndSignal(int /*number*/) {
  endSignalled = 1;
  Wake(signalWakeFd);
}

}  // namespace

HeadlessLoop::HeadlessLoop() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

HeadlessLoop::~HeadlessLoop() {
  if (watchingSignals_) signalWakeFd = -1;
  if (wakeFd_ >= 0) close(wakeFd_);
  if (!watchingSignals_) return;
  for (std::size_t i = 0; i < std::size(kEndSignals); ++i) {
    sigaction(kEndSignals[i], &previousActions[i], nullptr);
  }
}

void HeadlessLoop::OnEndSignal(std::function<void()> handler) {
  endHandler_ = std::move(handler);
  if (watchingSignals_) return;
  watchingSignals_ = true;
  endSignalled = 0;
  signalWakeFd = wakeFd_;
  struct sigaction action {};
  action.sa_handler = NoteEndSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kEndSignals); ++i) {
    sigaction(kEndSignals[i], &action, &previousActions[i]);
  }
}

void HeadlessLoop::PumpPending() {
  if (endSignalled != 0) {
    endSignalled = 0;
    if (endHandler_) endHandler_();
  }
  while (!posted_.empty()) {
    Posted next = std::move(posted_.front());
    posted_.pop_front();
    next.event();
  }
}

void HeadlessLoop::Sleep(std::chrono::milliseconds duration) {
  const auto target = now_ + std::max(duration, std::chrono::milliseconds(0));
  PumpPending();
  for (;;) {
    // The earliest timer due by `target`; ties go to the one started first.
    // A timer whose tick is still running (it slept itself) is not re-entered.
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.running || it->second.due > target) continue;
      if (next == timers_.end() || it->second.due < next->second.due) next = it;
    }
    if (next == timers_.end()) break;
    const TimerId id = next->first;
    Timer& timer = next->second;
    now_ = std::max(now_, timer.due);
    // Ticks missed while a nested sleep ran are coalesced into this one, as a
    // window system delivers one timer message however late it is.
    timer.due += timer.interval;
    if (timer.due <= now_) timer.due = now_ + timer.interval;
    timer.running = true;
    const auto tick = timer.tick;  // StopTimer from inside the tick erases `timer`
    (*tick)();
    if (const auto still = timers_.find(id); still != timers_.end()) still->second.running = false;
    PumpPending();
  }
  now_ = std::max(now_, target);
  PumpPending();
}

bool HeadlessLoop::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  // The clock is the loop's own: it moves in short steps, so the timers due
  // meanwhile run in their order.
  constexpr std::chrono::milliseconds kStep{10};
  PumpPending();
  for (std::chrono::milliseconds waited{0}; !done(); waited += kStep) {
    if (waited >= limit) return false;
    Sleep(kStep);
  }
  return true;
}

EventLoop::TimerId HeadlessLoop::StartTimer(std::chrono::milliseconds interval,
                                            std::function<void()> tick) {
  // A zero interval would fire forever without the clock moving.
  interval = std::max(interval, std::chrono::milliseconds(1));
  const TimerId id = nextTimer_++;
  timers_[id] = Timer{interval, now_ + interval,
                      std::make_shared<std::function<void()>>(std::move(tick)), false};
  return id;
}

void HeadlessLoop::StopTimer(TimerId id) {
  timers_.erase(id);
}

int HeadlessLoop::Run() {
  RunUntil([] { return false; });
  const int status = status_;
  if (!ended_) quitRequested_ = false;
  return status;
}

void HeadlessLoop::RunUntil(const std::function<bool()>& done) {
  for (;;) {
    PumpPending();
    if (quitRequested_ || done()) return;
    // The user takes a moment before acting, long enough for the screens'
    // short timers (a check box followed every 50 ms) to see the page.
    Sleep(thinkTime_);
    if (quitRequested_ || done()) return;
    if (!userTurn_) {
      EndRun(1);
      return;
    }
    userTurn_();
  }
}

void HeadlessLoop::Quit(int status) {
  quitRequested_ = true;
  if (!ended_) status_ = status;
}

void HeadlessLoop::EndRun(int status) {
  if (!ended_) status_ = status;
  ended_ = true;
  quitRequested_ = true;
}

void HeadlessLoop::WaitUntil(const std::function<bool()>& ready) {
  for (;;) {
    PumpPending();
    if (ready()) return;
    pollfd wake{wakeFd_, POLLIN, 0};
    if (poll(&wake, 1, -1) > 0) {
      std::uint64_t count = 0;
      (void)!read(wakeFd_, &count, sizeof count);
    }
  }
}

void HeadlessLoop::Notify() {
  Wake(wakeFd_);
}

void HeadlessLoop::Post(const void* owner, std::function<void()> event) {
  posted_.push_back({owner, std::move(event)});
}

void HeadlessLoop::CancelPosted(const void* owner) {
  std::erase_if(posted_, [owner](const Posted& posted) { return posted.owner == owner; });
}

}  // namespace pavane::os::headless
