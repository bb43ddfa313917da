#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace flitbar {

// The pauses and the clock of the worker-side control writes. The defaults are the real ones;
// tests give a manual clock so timeouts can be checked without waiting for them.
struct ControlPacing {
  using Clock = std::chrono::steady_clock;

  // After every set-reporting write, so the device can take it in.
  std::chrono::milliseconds settle{20};
  // Before the second and third verification read.
  std::chrono::milliseconds retry{50};
  std::function<Clock::time_point()> now = [] { return Clock::now(); };
  std::function<void(Clock::duration)> sleep = [](Clock::duration pause) { std::this_thread::sleep_for(pause); };
};

}  // namespace flitbar
