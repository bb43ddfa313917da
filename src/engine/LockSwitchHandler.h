#pragma once

#include "engine/LockSwitchEngine.h"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/strand.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace flitbar {

// When the screen locks, sends every device to another host: the preferred destination when it
// is valid, otherwise the lowest other host. One lock-triggered switch at a time; a lock that
// arrives while one is being handled is ignored, and so is one while the engine is not connected
// or another switch has not settled yet. Every refusal is a line for `logger` and no result.
//
// Runs on a strand of its own so a lock event never waits behind engine work: give it an
// executor that is not the engine's single thread.
class LockSwitchHandler {
 public:
  using Logger = std::function<void(const std::string&)>;

  // The default logger discards its input.
  explicit LockSwitchHandler(
      const asio::any_io_executor& executor, Logger logger = [](const std::string&) {});

  // May be awaited from any executor; the work runs on the handler's strand.
  asio::awaitable<std::optional<SwitchReport>> handleScreenLocked(std::shared_ptr<LockSwitchEngine> engine,
                                                                  bool enabled,
                                                                  std::optional<std::uint8_t> preferredDestination);

 private:
  asio::awaitable<std::optional<SwitchReport>> handle(std::shared_ptr<LockSwitchEngine> engine,
                                                      std::optional<std::uint8_t> preferredDestination);
  asio::awaitable<std::optional<SwitchReport>> decideAndSwitch(LockSwitchEngine& engine,
                                                               std::optional<std::uint8_t> preferredDestination);

  asio::strand<asio::any_io_executor> strand_;
  Logger logger_;
  // True from the moment a lock is taken on until its handling returns. Strand only.
  bool inFlight_ = false;
};

}  // namespace flitbar
