#include "engine/LockSwitchHandler.h"

#include "engine/DefaultBindings.h"

#include <asio/co_spawn.hpp>
#include <asio/use_awaitable.hpp>

namespace flitbar {

LockSwitchHandler::LockSwitchHandler(const asio::any_io_executor& executor, Logger logger)
    : strand_(asio::make_strand(executor)), logger_(std::move(logger)) {}

asio::awaitable<std::optional<SwitchReport>> LockSwitchHandler::handleScreenLocked(
    std::shared_ptr<LockSwitchEngine> engine, bool enabled, std::optional<std::uint8_t> preferredDestination) {
  if (!enabled) co_return std::nullopt;
  co_return co_await asio::co_spawn(strand_, handle(std::move(engine), preferredDestination), asio::use_awaitable);
}

asio::awaitable<std::optional<SwitchReport>> LockSwitchHandler::handle(
    std::shared_ptr<LockSwitchEngine> engine, std::optional<std::uint8_t> preferredDestination) {
  if (inFlight_) {
    logger_("Screen locked, but a lock-triggered switch is already moving devices; ignoring.");
    co_return std::nullopt;
  }
  inFlight_ = true;
  std::optional<SwitchReport> report;
  try {
    report = co_await decideAndSwitch(*engine, preferredDestination);
  } catch (...) {
    // The engine never throws; should it, the next lock must still be handled.
    inFlight_ = false;
    throw;
  }
  inFlight_ = false;
  co_return report;
}

asio::awaitable<std::optional<SwitchReport>> LockSwitchHandler::decideAndSwitch(
    LockSwitchEngine& engine, std::optional<std::uint8_t> preferredDestination) {
  const EngineSnapshot snapshot = co_await engine.snapshot();
  if (snapshot.lifecycle != EngineSnapshot::Lifecycle::running) {
    logger_("Screen locked, but the engine is not connected; not switching.");
    co_return std::nullopt;
  }
  if (snapshot.movingToHost) {
    logger_("Screen locked, but a switch is already in flight; not switching.");
    co_return std::nullopt;
  }
  // Hidden hosts only hide buttons; locking still sends the devices wherever they can go.
  const auto destination =
      DefaultBindings::destination(snapshot.thisHost(), snapshot.hostCount(), preferredDestination, {});
  if (!destination) {
    logger_("Screen locked, but there is nowhere else to send the devices; not switching.");
    co_return std::nullopt;
  }
  auto report = co_await engine.switchAll(*destination, SwitchReason::screenLocked());
  if (!report) logger_("Screen locked, but the switch could not be completed.");
  co_return report;
}

}  // namespace flitbar
