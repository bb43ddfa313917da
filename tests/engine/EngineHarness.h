#pragma once

#include "FakeReceiver.h"
#include "engine/Engine.h"
#include "engine/EngineFacade.h"
#include "engine/EngineThread.h"
#include "engine/MainExecutor.h"
#include "support/TemporaryDirectory.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::testing {

using namespace std::chrono_literals;

// Collects engine log lines (written on the engine's thread, read on the test's).
class LogLines {
 public:
  void add(const std::string& line);
  std::vector<std::string> all() const;
  int count(const std::string& line) const;
  int countStartingWith(const std::string& prefix) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::string> lines_;
};

// The real engine on its own thread, with millisecond timings, a bindings file in a temporary
// directory and a main thread played by the test: `waitFor` drains the main executor until a
// condition holds. Waits are generous; nothing here measures speed.
class EngineHarness {
 public:
  struct Timings {
    int connectionAttempts = 5;
    std::chrono::nanoseconds retryDelay = 2ms;
    // Long by default so that only tests about maintenance see ticks.
    std::chrono::nanoseconds maintenanceInterval = 1h;
    std::chrono::nanoseconds reconnectDelay = 5ms;
  };

  explicit EngineHarness(std::function<OpenedReceiver()> factory, Timings timings);
  explicit EngineHarness(std::function<OpenedReceiver()> factory) : EngineHarness(std::move(factory), Timings{}) {}
  ~EngineHarness();

  Engine& engine() { return *engine_; }

  // Runs an operation through the facade and waits for its result on the "main thread".
  template <typename Operation, typename Result = typename std::invoke_result_t<Operation, Engine&>::value_type>
  Result run(Operation operation) {
    std::optional<std::conditional_t<std::is_void_v<Result>, bool, Result>> outcome;
    if constexpr (std::is_void_v<Result>) {
      facade_.call(std::move(operation), [&outcome] { outcome = true; });
      waitOrFail([&outcome] { return outcome.has_value(); });
    } else {
      facade_.call(std::move(operation), [&outcome](Result result) { outcome = std::move(result); });
      waitOrFail([&outcome] { return outcome.has_value(); });
      return std::move(*outcome);
    }
  }

  // Starts an operation without waiting; the flag turns true once its result reached the main thread.
  template <typename Operation, typename Result = typename std::invoke_result_t<Operation, Engine&>::value_type>
  std::shared_ptr<bool> launch(Operation operation) {
    auto finished = std::make_shared<bool>(false);
    if constexpr (std::is_void_v<Result>) {
      facade_.call(std::move(operation), [finished] { *finished = true; });
    } else {
      facade_.call(std::move(operation), [finished](Result) { *finished = true; });
    }
    return finished;
  }

  EngineSnapshot start(bool autoSwitchBoth = true);
  // Starts without waiting for the result.
  std::shared_ptr<bool> startInBackground();
  EngineSnapshot::Lifecycle lifecycle();
  void stop();

  // Drains the main executor until `condition` holds or 20 s pass; false on timeout.
  bool waitFor(const std::function<bool()>& condition);
  void waitOrFail(const std::function<bool()>& condition);
  // Drains what is queued now.
  void drain();

  const std::vector<EngineEvent>& events() const { return events_; }
  std::vector<EngineSnapshot> snapshots() const;
  std::optional<EngineSnapshot> lastSnapshot() const;
  std::vector<SwitchReport> switches() const;
  std::vector<EngineEvent::ActionFailed> failures() const;
  // The last snapshot shows `count` devices, no move under way and no error.
  bool shows(std::size_t count) const;
  void clearEvents() { events_.clear(); }
  LogLines& logs() { return *logs_; }
  const std::filesystem::path& configPath() const { return configPath_; }

 private:
  TemporaryDirectory directory_;
  std::filesystem::path configPath_;
  std::shared_ptr<LogLines> logs_ = std::make_shared<LogLines>();
  std::shared_ptr<ManualMainExecutor> main_ = std::make_shared<ManualMainExecutor>();
  EngineThread thread_{"test.engine"};
  std::shared_ptr<Engine> engine_;
  EngineFacade facade_;
  std::vector<EngineEvent> events_;
};

DeviceInfo keyboard(std::uint8_t index = 1, std::uint8_t hostCount = 3, std::uint8_t currentHost = 0);
DeviceInfo mouse(std::uint8_t index = 2, std::uint8_t hostCount = 3, std::uint8_t currentHost = 0);
FakeDevice fakeDevice(DeviceInfo info);
std::shared_ptr<FakeReceiver> receiverOf(std::vector<DeviceInfo> devices);

}  // namespace flitbar::testing
