#include "app/EngineRuntime.h"

#include "engine/EngineLockSwitch.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>

namespace flitbar {
namespace {

// Keeps the handler and the engine alive until the lock has been handled.
asio::awaitable<void> handleLock(std::shared_ptr<LockSwitchHandler> handler, std::shared_ptr<LockSwitchEngine> engine,
                                 bool enabled, std::optional<std::uint8_t> preferredDestination) {
  co_await handler->handleScreenLocked(std::move(engine), enabled, preferredDestination);
}

}  // namespace

EngineRuntime::EngineRuntime(Engine::Parameters parameters, std::shared_ptr<MainExecutor> mainExecutor)
    : engineThread_("flitbar.engine"),
      lockThread_("flitbar.lock"),
      engine_(Engine::create(engineThread_.executor(), mainExecutor, std::move(parameters))),
      facade_(engine_, mainExecutor),
      lockSwitch_(std::make_shared<LockSwitchHandler>(lockThread_.executor())) {}

EngineRuntime::~EngineRuntime() = default;

void EngineRuntime::start(bool autoSwitchBoth, std::optional<std::uint8_t> destinationHost, std::set<int> hiddenHosts,
                          EventHandler handler) {
  facade_.call([=](Engine& engine) { return engine.start(autoSwitchBoth, destinationHost, hiddenHosts, handler); });
}

bool EngineRuntime::stopAndWait(std::chrono::duration<double> timeout) { return engine_->stopAndWait(timeout); }

void EngineRuntime::reload() {
  facade_.call([](Engine& engine) { return engine.reload(); });
}

void EngineRuntime::switchAll(std::uint8_t host, SwitchReason reason, Done<std::optional<SwitchReport>> done) {
  facade_.call([host, reason](Engine& engine) { return engine.switchAll(host, reason); }, std::move(done));
}

void EngineRuntime::divertedWheel(Done<std::optional<WheelDiversion>> done) {
  facade_.call([](Engine& engine) { return engine.divertedWheel(); }, std::move(done));
}

void EngineRuntime::rescueWheel(Done<bool> done) {
  facade_.call([](Engine& engine) { return engine.rescueWheel(); }, std::move(done));
}

void EngineRuntime::setDestinationHost(std::optional<std::uint8_t> host) {
  facade_.call([host](Engine& engine) { return engine.setDestinationHost(host); });
}

void EngineRuntime::setHiddenHosts(std::set<int> hosts) {
  facade_.call([hosts](Engine& engine) { return engine.setHiddenHosts(hosts); });
}

void EngineRuntime::setAutoSwitchBoth(bool enabled) {
  facade_.call([enabled](Engine& engine) { return engine.setAutoSwitchBoth(enabled); });
}

void EngineRuntime::handleWake() {
  facade_.call([](Engine& engine) { return engine.handleWake(); });
}

void EngineRuntime::handleScreenLocked(bool enabled, std::optional<std::uint8_t> preferredDestination) {
  asio::co_spawn(lockThread_.executor(),
                 handleLock(lockSwitch_, std::make_shared<EngineLockSwitch>(engine_), enabled, preferredDestination),
                 asio::detached);
}

}  // namespace flitbar
