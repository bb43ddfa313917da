#pragma once

#include "engine/EngineEvent.h"
#include "engine/SwitchReason.h"
#include "engine/SwitchReport.h"
#include "engine/WheelDiversion.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>

namespace flitbar {

// The engine as the coordinator drives it from the main thread. Every call returns at once; the
// operation runs on the engine and its result, and every event, comes back on the main thread.
class ApplicationEngine {
 public:
  using EventHandler = std::function<void(const EngineEvent&)>;
  template <typename Result>
  using Done = std::function<void(Result)>;

  virtual ~ApplicationEngine() = default;

  virtual void start(bool autoSwitchBoth, std::optional<std::uint8_t> destinationHost, std::set<int> hiddenHosts,
                     EventHandler handler) = 0;
  // Blocks until the engine stopped or `timeout` passed; true when it stopped in time.
  virtual bool stopAndWait(std::chrono::duration<double> timeout) = 0;
  virtual void reload() = 0;
  // No report when nothing was switched.
  virtual void switchAll(std::uint8_t host, SwitchReason reason, Done<std::optional<SwitchReport>> done) = 0;
  virtual void divertedWheel(Done<std::optional<WheelDiversion>> done) = 0;
  virtual void rescueWheel(Done<bool> done) = 0;
  virtual void setDestinationHost(std::optional<std::uint8_t> host) = 0;
  virtual void setHiddenHosts(std::set<int> hosts) = 0;
  virtual void setAutoSwitchBoth(bool enabled) = 0;
  virtual void handleWake() = 0;
  // Hands the lock to the lock-switch handler, which decides whether and where to switch.
  virtual void handleScreenLocked(bool enabled, std::optional<std::uint8_t> preferredDestination) = 0;
};

}  // namespace flitbar
