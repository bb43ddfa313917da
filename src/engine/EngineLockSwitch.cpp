#include "engine/EngineLockSwitch.h"

#include <asio/co_spawn.hpp>
#include <asio/use_awaitable.hpp>

namespace flitbar {

namespace {

// The engine's coroutines start suspended, so their bodies run where they are spawned: on the
// engine's executor. The shared pointer keeps the engine alive until they end.
asio::awaitable<EngineSnapshot> snapshotOf(std::shared_ptr<Engine> engine) { co_return co_await engine->snapshot(); }

asio::awaitable<std::optional<SwitchReport>> switchOf(std::shared_ptr<Engine> engine, std::uint8_t host,
                                                      SwitchReason reason) {
  co_return co_await engine->switchAll(host, std::move(reason));
}

}  // namespace

asio::awaitable<EngineSnapshot> EngineLockSwitch::snapshot() {
  co_return co_await asio::co_spawn(engine_->executor(), snapshotOf(engine_), asio::use_awaitable);
}

asio::awaitable<std::optional<SwitchReport>> EngineLockSwitch::switchAll(std::uint8_t host, SwitchReason reason) {
  co_return co_await asio::co_spawn(engine_->executor(), switchOf(engine_, host, std::move(reason)),
                                    asio::use_awaitable);
}

}  // namespace flitbar
