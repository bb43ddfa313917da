#pragma once

#include "engine/Engine.h"
#include "engine/LockSwitchEngine.h"

#include <memory>

namespace flitbar {

// The engine as the lock-switch handler sees it: each call hops to the engine's executor and
// resumes the caller on its own, keeping the engine alive meanwhile.
class EngineLockSwitch : public LockSwitchEngine {
 public:
  explicit EngineLockSwitch(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

  asio::awaitable<EngineSnapshot> snapshot() override;
  asio::awaitable<std::optional<SwitchReport>> switchAll(std::uint8_t host, SwitchReason reason) override;

 private:
  std::shared_ptr<Engine> engine_;
};

}  // namespace flitbar
