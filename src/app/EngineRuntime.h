#pragma once

#include "app/ApplicationEngine.h"
#include "engine/Engine.h"
#include "engine/EngineFacade.h"
#include "engine/EngineThread.h"
#include "engine/LockSwitchHandler.h"

#include <memory>

namespace flitbar {

// The real engine behind ApplicationEngine: the engine on a thread of its own, reached through the
// facade, and the lock-switch handler on a second thread so a lock never waits behind engine work.
class EngineRuntime : public ApplicationEngine {
 public:
  EngineRuntime(Engine::Parameters parameters, std::shared_ptr<MainExecutor> mainExecutor);
  ~EngineRuntime() override;

  void start(bool autoSwitchBoth, std::optional<std::uint8_t> destinationHost, std::set<int> hiddenHosts,
             EventHandler handler) override;
  bool stopAndWait(std::chrono::duration<double> timeout) override;
  void reload() override;
  void switchAll(std::uint8_t host, SwitchReason reason, Done<std::optional<SwitchReport>> done) override;
  void divertedWheel(Done<std::optional<WheelDiversion>> done) override;
  void rescueWheel(Done<bool> done) override;
  void setDestinationHost(std::optional<std::uint8_t> host) override;
  void setHiddenHosts(std::set<int> hosts) override;
  void setAutoSwitchBoth(bool enabled) override;
  void handleWake() override;
  void handleScreenLocked(bool enabled, std::optional<std::uint8_t> preferredDestination) override;

 private:
  // Declared first so they are joined last, after everything that runs on them.
  EngineThread engineThread_;
  EngineThread lockThread_;
  std::shared_ptr<Engine> engine_;
  EngineFacade facade_;
  std::shared_ptr<LockSwitchHandler> lockSwitch_;
};

}  // namespace flitbar
