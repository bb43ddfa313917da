#include "engine/Engine.h"

#include <algorithm>

namespace flitbar {

namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

const std::vector<std::uint8_t> everySlot{1, 2, 3, 4, 5, 6};

asio::awaitable<void> maintenanceLoop(std::weak_ptr<Engine> weak, int g, std::chrono::nanoseconds interval,
                                      asio::awaitable<void> (Engine::*tick)(int)) {
  while (true) {
    if (co_await taskCancelled()) co_return;
    if (weak.expired()) co_return;
    co_await sleepFor(interval);
    if (co_await taskCancelled()) co_return;
    const auto engine = weak.lock();
    if (!engine) co_return;
    co_await ((*engine).*tick)(g);
  }
}

}  // namespace

void Engine::scheduleMaintenance(int g) {
  spawnTask(maintenanceTask_, maintenanceLoop(weak_from_this(), g, maintenanceInterval_, &Engine::maintenanceTick));
}

asio::awaitable<void> Engine::maintenanceTick(int g) {
  const auto idle = [this, g] {
    return generation_ == g && state_.lifecycle == Lifecycle::running && reconnectTask_.finished() &&
           connectingGeneration_ != generation_ && reconnectingGeneration_ != generation_;
  };
  if (!idle()) co_return;

  std::set<std::uint8_t> present;
  for (const auto& device : state_.devices) present.insert(device.index);
  std::vector<std::uint8_t> missing;
  for (const auto index : state_.boundIndexes()) {
    if (!present.contains(index)) missing.push_back(index);
  }

  const bool unresponsive = co_await hasUnresponsiveDevice();
  if (generation_ != g || state_.lifecycle != Lifecycle::running) co_return;
  maintenanceCycle_ = (maintenanceCycle_ + 1) % 10;

  if (unresponsive) {
    co_await reconnectNow(true);
    co_return;
  }

  std::vector<std::uint8_t> candidates;
  bool probeMissing = false;
  if (!missing.empty()) {
    candidates = missing;
    probeMissing = true;
  } else if (present.empty()) {
    candidates = everySlot;
    probeMissing = true;
  } else if (maintenanceCycle_ == 0) {
    std::copy_if(everySlot.begin(), everySlot.end(), std::back_inserter(candidates),
                 [&present](std::uint8_t index) { return !present.contains(index); });
  } else if (maintenanceCycle_ == 5) {
    co_await refreshBatteries();
    co_return;
  } else {
    co_return;
  }

  const bool idleRound = present.empty() && maintenanceCycle_ == 0;
  if (probeMissing) {
    if (!receiver_) {
      if (idleRound) co_await reconnectNow(false);
      co_return;
    }
    if (co_await anyResponds(candidates)) {
      co_await reconnectNow(true);
    } else if (idleRound) {
      co_await reconnectNow(false);
    }
    co_return;
  }

  if (!receiver_) {
    co_await assertDiverts();
    co_return;
  }
  if (co_await anyResponds(candidates)) {
    co_await reconnectNow(false);
  } else {
    co_await assertDiverts();
  }
}

}  // namespace flitbar
