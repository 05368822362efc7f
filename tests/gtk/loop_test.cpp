// The desktop loop: timers run during sleeps, waits never spin, Quit ends
// Run and modal waits, Notify wakes a wait from another thread.
#include <time.h>

#include <atomic>
#include <thread>

#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

std::chrono::milliseconds ProcessCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::chrono::milliseconds(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

TEST_F(GtkTest, TimersTickWhileTheProgramSleeps) {
  EventLoop& loop = ui->Loop();
  int ticks = 0;
  const auto timer = loop.StartTimer(50ms, [&] { ++ticks; });
  const auto started = std::chrono::steady_clock::now();
  loop.Sleep(500ms);
  const auto slept = std::chrono::steady_clock::now() - started;
  EXPECT_GE(slept, 500ms);
  EXPECT_LT(slept, 1500ms);
  EXPECT_GE(ticks, 6) << "about ten ticks in half a second";
  EXPECT_LE(ticks, 10);

  loop.StopTimer(timer);
  const int stoppedAt = ticks;
  // A tick that stops its own timer, and one that sleeps (not re-entered).
  int selfStopping = 0;
  EventLoop::TimerId id = 0;
  id = loop.StartTimer(10ms, [&] {
    ++selfStopping;
    loop.StopTimer(id);
  });
  int depth = 0;
  int deepest = 0;
  const auto sleeper = loop.StartTimer(10ms, [&] {
    deepest = std::max(deepest, ++depth);
    loop.Sleep(50ms);
    --depth;
  });
  loop.Sleep(200ms);
  loop.StopTimer(sleeper);
  EXPECT_EQ(ticks, stoppedAt) << "a stopped timer stays quiet";
  EXPECT_EQ(selfStopping, 1);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(ui->MainLoop().TimerCount(), 0u);
}

TEST_F(GtkTest, WaitsDoNotSpin) {
  EventLoop& loop = ui->Loop();
  loop.PumpPending();
  const auto cpuBefore = ProcessCpuTime();
  loop.Sleep(1000ms);
  EXPECT_LT(ProcessCpuTime() - cpuBefore, 100ms) << "a 1 s sleep";

  // Notify from another thread ends a wait; until then it sleeps.
  std::atomic<bool> ready = false;
  const auto waitCpu = ProcessCpuTime();
  std::thread other([&] {
    std::this_thread::sleep_for(300ms);
    ready = true;
    loop.Notify();
  });
  loop.WaitUntil([&] { return ready.load(); });
  other.join();
  EXPECT_TRUE(ready);
  EXPECT_LT(ProcessCpuTime() - waitCpu, 100ms) << "a 300 ms wait for another thread";
}

TEST_F(GtkTest, QuitEndsRunAndModalWindows) {
  ShowScreen();
  RecordedEvents modalEvents;
  WindowSpec dialogDesign = ScreenDesign();
  dialogDesign.name = "frmModal";
  auto modal = OpenWindow(modalEvents, dialogDesign);

  // A modal window returns when it closes; its owner is active again.
  ui->Loop().StartTimer(200ms, [&] {
    if (modal->IsOpen()) modal->Close();
  });
  modal->ShowModal(window.get());
  EXPECT_FALSE(modal->IsOpen());
  EXPECT_EQ(modalEvents.Count("activated"), 1);
  EXPECT_TRUE(WaitFor([&] { return events.Count("activated") == 2; }))
      << "the owner is activated again";

  // Quit from a timer ends the modal wait and then Run, with its status.
  auto second = OpenWindow(modalEvents, dialogDesign);
  ui->Loop().StartTimer(100ms, [&] { ui->Loop().Quit(7); });
  second->ShowModal(window.get());
  EXPECT_TRUE(second->IsOpen()) << "ended by the quit, not closed";
  EXPECT_EQ(ui->Loop().Run(), 7) << "a run already quitting returns at once";
}

}  // namespace
}  // namespace pavane::os::gtk::testing
