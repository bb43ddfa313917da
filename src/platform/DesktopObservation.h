#pragma once

#include "logging/Logging.h"

#include <functional>
#include <memory>

namespace flitbar {

// The desktop's lock and wake signals, observed for as long as the object lives.
class DesktopObservation {
 public:
  virtual ~DesktopObservation() = default;
};

// Starts observing: `onScreenLocked` once per lock, `onWake` after each sleep, both on the main
// thread. Sources that are missing are logged to `log` once.
using DesktopObserver = std::function<std::unique_ptr<DesktopObservation>(std::function<void()> onScreenLocked,
                                                                          std::function<void()> onWake, Logging& log)>;

}  // namespace flitbar
