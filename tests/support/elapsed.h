// Time measurements and bounded waits for tests that run real processes
// and requests.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace pavane::testing {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// For traces a started program leaves on its own: looks every 10 ms, gives
// up after `limit`.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace pavane::testing
