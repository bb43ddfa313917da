#include "EngineHarness.h"

#include "engine/SystemShellExecutor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

namespace flitbar::testing {

EngineHarness::EngineHarness(HarnessTimings timings, VirtualDesk virtualDesk)
    : desk(std::move(virtualDesk)), engine_(makeEngine(*this, timings)) {}

std::shared_ptr<Engine> EngineHarness::makeEngine(EngineHarness& harness, const HarnessTimings& timings) {
  Engine::Parameters parameters;
  parameters.configStore = ConfigStore{(harness.directory / "bindings.json").string()};
  parameters.receiverFactory = harness.receivers.opener();
  parameters.logger = [log = harness.log_](const std::string& line) {
    std::lock_guard guard(log->lock);
    log->lines.push_back(line);
  };
  parameters.connectionAttempts = timings.connectionAttempts;
  parameters.retryDelay = 2ms;
  parameters.maintenanceInterval = timings.maintenanceInterval;
  parameters.reconnectDelay = 5ms;
  parameters.hidQueue = std::make_shared<SerialWorker>("test.hid");
  parameters.shellExecutor = std::make_shared<SystemShellExecutor>();
  return Engine::create(harness.thread_.executor(), harness.main_, std::move(parameters));
}

EngineHarness::~EngineHarness() {
  EXPECT_TRUE(engine_->stopAndWait(std::chrono::seconds(20)));
  drain();
}

std::function<asio::awaitable<EngineSnapshot>(Engine&)> EngineHarness::starting(bool autoSwitchBoth) {
  return [autoSwitchBoth, this](Engine& engine) {
    return engine.start(autoSwitchBoth, std::nullopt, {},
                        [this](const EngineEvent& event) { events_.push_back(event); });
  };
}

void EngineHarness::waitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (true) {
    main_->drain();
    if (condition()) return;
    if (std::chrono::steady_clock::now() > deadline) return ADD_FAILURE() << "the engine never got there";
    std::this_thread::sleep_for(1ms);
  }
}

EngineSnapshot EngineHarness::lastSnapshot() const {
  const auto all = eventsOf<EngineSnapshot>();
  return all.empty() ? EngineSnapshot{} : all.back();
}

bool EngineHarness::shows(std::size_t count) const {
  const auto last = lastSnapshot();
  return last.lifecycle == EngineSnapshot::Lifecycle::running && last.devices.size() == count && !last.movingToHost &&
         !last.lastError;
}

int EngineHarness::logged(const std::string& line) const {
  std::lock_guard guard(log_->lock);
  return static_cast<int>(std::count(log_->lines.begin(), log_->lines.end(), line));
}

void EngineHarness::writeBindings(const nlohmann::json& bindings) const {
  std::ofstream(directory / "bindings.json") << nlohmann::json{{"bindings", bindings}};
}

}  // namespace flitbar::testing
