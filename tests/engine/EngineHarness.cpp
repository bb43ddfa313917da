#include "EngineHarness.h"

#include "engine/SystemShellExecutor.h"

#include <gtest/gtest.h>

#include <thread>

namespace flitbar::testing {

void LogLines::add(const std::string& line) {
  std::lock_guard guard(lock_);
  lines_.push_back(line);
}

std::vector<std::string> LogLines::all() const {
  std::lock_guard guard(lock_);
  return lines_;
}

int LogLines::count(const std::string& line) const {
  std::lock_guard guard(lock_);
  return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
}

int LogLines::countStartingWith(const std::string& prefix) const {
  std::lock_guard guard(lock_);
  return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                        [&prefix](const std::string& line) { return line.starts_with(prefix); }));
}

namespace {

std::shared_ptr<Engine> makeEngine(EngineThread& thread, std::shared_ptr<MainExecutor> main,
                                   std::function<OpenedReceiver()> factory, const std::filesystem::path& config,
                                   std::shared_ptr<LogLines> logs, const EngineHarness::Timings& timings) {
  Engine::Parameters parameters;
  parameters.configStore = ConfigStore{config.string()};
  parameters.receiverFactory = std::move(factory);
  parameters.logger = [logs](const std::string& line) { logs->add(line); };
  parameters.connectionAttempts = timings.connectionAttempts;
  parameters.retryDelay = timings.retryDelay;
  parameters.maintenanceInterval = timings.maintenanceInterval;
  parameters.reconnectDelay = timings.reconnectDelay;
  parameters.hidQueue = std::make_shared<SerialWorker>("test.hid");
  parameters.shellExecutor = std::make_shared<SystemShellExecutor>();
  return Engine::create(thread.executor(), std::move(main), std::move(parameters));
}

}  // namespace

EngineHarness::EngineHarness(std::function<OpenedReceiver()> factory, Timings timings)
    : configPath_(directory_ / "bindings.json"),
      engine_(makeEngine(thread_, main_, std::move(factory), configPath_, logs_, timings)),
      facade_(engine_, main_) {}

EngineHarness::~EngineHarness() {
  EXPECT_TRUE(engine_->stopAndWait(std::chrono::seconds(20)));
  drain();
}

EngineSnapshot EngineHarness::start(bool autoSwitchBoth) {
  return run([autoSwitchBoth, this](Engine& engine) {
    return engine.start(autoSwitchBoth, std::nullopt, {},
                        [this](const EngineEvent& event) { events_.push_back(event); });
  });
}

std::shared_ptr<bool> EngineHarness::startInBackground() {
  return launch([this](Engine& engine) {
    return engine.start(true, std::nullopt, {}, [this](const EngineEvent& event) { events_.push_back(event); });
  });
}

EngineSnapshot::Lifecycle EngineHarness::lifecycle() {
  return run([](Engine& engine) { return engine.snapshot(); }).lifecycle;
}

void EngineHarness::stop() {
  run([](Engine& engine) { return engine.stop(); });
}

bool EngineHarness::waitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (true) {
    main_->drain();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
}

void EngineHarness::waitOrFail(const std::function<bool()>& condition) {
  ASSERT_TRUE(waitFor(condition)) << "the engine never got there";
}

void EngineHarness::drain() { main_->drain(); }

std::vector<EngineSnapshot> EngineHarness::snapshots() const {
  std::vector<EngineSnapshot> result;
  for (const auto& event : events_) {
    if (const auto* snapshot = event.asSnapshot()) result.push_back(*snapshot);
  }
  return result;
}

std::optional<EngineSnapshot> EngineHarness::lastSnapshot() const {
  const auto all = snapshots();
  if (all.empty()) return std::nullopt;
  return all.back();
}

std::vector<SwitchReport> EngineHarness::switches() const {
  std::vector<SwitchReport> result;
  for (const auto& event : events_) {
    if (const auto* report = event.asSwitched()) result.push_back(*report);
  }
  return result;
}

std::vector<EngineEvent::ActionFailed> EngineHarness::failures() const {
  std::vector<EngineEvent::ActionFailed> result;
  for (const auto& event : events_) {
    if (const auto* failure = event.asActionFailed()) result.push_back(*failure);
  }
  return result;
}

bool EngineHarness::shows(std::size_t count) const {
  const auto last = lastSnapshot();
  return last && last->devices.size() == count && !last->movingToHost && !last->lastError;
}

DeviceInfo keyboard(std::uint8_t index, std::uint8_t hostCount, std::uint8_t currentHost) {
  DeviceInfo info;
  info.index = index;
  info.name = "K";
  info.changeHostFeature = 9;
  info.hostCount = hostCount;
  info.currentHost = currentHost;
  info.reprogFeature = 8;
  info.unitID = "AA:BB:CC:0" + std::to_string(index);
  return info;
}

DeviceInfo mouse(std::uint8_t index, std::uint8_t hostCount, std::uint8_t currentHost) {
  auto info = keyboard(index, hostCount, currentHost);
  info.name = "M";
  return info;
}

FakeDevice fakeDevice(DeviceInfo info) {
  FakeDevice device;
  device.info = std::move(info);
  return device;
}

std::shared_ptr<FakeReceiver> receiverOf(std::vector<DeviceInfo> devices) {
  std::vector<FakeDevice> fakes;
  for (auto& device : devices) fakes.push_back(fakeDevice(std::move(device)));
  return std::make_shared<FakeReceiver>(std::move(fakes));
}

}  // namespace flitbar::testing
