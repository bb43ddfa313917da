#pragma once

#include "engine/EngineSnapshot.h"
#include "engine/SwitchReason.h"
#include "engine/SwitchReport.h"

#include <asio/awaitable.hpp>

#include <cstdint>
#include <optional>

namespace flitbar {

// How the lock-switch handler sees the engine. Both operations run on the engine's own executor
// and resume the awaiting coroutine on its executor, whichever that is; neither throws.
class LockSwitchEngine {
 public:
  virtual ~LockSwitchEngine() = default;

  virtual asio::awaitable<EngineSnapshot> snapshot() = 0;
  // Absent when nothing was sent or sending failed.
  virtual asio::awaitable<std::optional<SwitchReport>> switchAll(std::uint8_t host, SwitchReason reason) = 0;
};

}  // namespace flitbar
