#pragma once

#include "ScriptedReceivers.h"
#include "engine/Engine.h"
#include "engine/EngineFacade.h"
#include "engine/EngineThread.h"
#include "engine/MainExecutor.h"
#include "support/TemporaryDirectory.h"
#include "support/VirtualDesk.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::testing {

using namespace std::chrono_literals;

struct HarnessTimings {
  int connectionAttempts = 5;
  // Long by default so that only tests about maintenance see ticks.
  std::chrono::nanoseconds maintenanceInterval = 1h;
};

// The real engine on its own thread against a virtual desk whose receiver the test may script,
// with millisecond timings, a bindings file in a temporary directory and a main thread played by
// the test: `waitUntil` drains the main executor until a condition holds. Waits are generous;
// nothing here measures speed.
class EngineHarness {
 public:
  // An operation's result once it reached the main thread (true for operations without one).
  template <typename Result>
  using Outcome = std::shared_ptr<std::optional<std::conditional_t<std::is_void_v<Result>, bool, Result>>>;

  explicit EngineHarness(HarnessTimings timings = {}, VirtualDesk desk = VirtualDesk());
  ~EngineHarness();

  // Starts an operation through the facade without waiting for it.
  template <typename Operation, typename Result = typename std::invoke_result_t<Operation, Engine&>::value_type>
  Outcome<Result> launch(Operation operation) {
    auto outcome = std::make_shared<typename Outcome<Result>::element_type>();
    if constexpr (std::is_void_v<Result>) {
      facade_.call(std::move(operation), [outcome] { *outcome = true; });
    } else {
      facade_.call(std::move(operation), [outcome](Result result) { *outcome = std::move(result); });
    }
    return outcome;
  }
  // Runs an operation and waits for its result on the "main thread".
  template <typename Operation>
  auto run(Operation operation) {
    const auto outcome = launch(std::move(operation));
    waitUntil([&outcome] { return outcome->has_value(); });
    return outcome->value_or(typename decltype(outcome)::element_type::value_type{});
  }

  // The engine's start with the harness recording its events.
  std::function<asio::awaitable<EngineSnapshot>(Engine&)> starting(bool autoSwitchBoth = true);
  EngineSnapshot start(bool autoSwitchBoth = true) { return run(starting(autoSwitchBoth)); }
  EngineSnapshot snapshot() {
    return run([](Engine& engine) { return engine.snapshot(); });
  }
  void stop() {
    run([](Engine& engine) { return engine.stop(); });
  }

  // Drains the main executor until `condition` holds; fails the test after 20 s.
  void waitUntil(const std::function<bool()>& condition);
  void drain() { main_->drain(); }

  const std::vector<EngineEvent>& events() const { return events_; }
  // The events carrying a T: EngineSnapshot, SwitchReport or EngineEvent::ActionFailed.
  template <typename T>
  std::vector<T> eventsOf() const {
    std::vector<T> found;
    for (const auto& event : events_) {
      if (const auto* payload = std::get_if<T>(&event.payload)) found.push_back(*payload);
    }
    return found;
  }
  EngineSnapshot lastSnapshot() const;
  // The last snapshot shows `count` devices, no move under way and no error.
  bool shows(std::size_t count) const;
  int logged(const std::string& line) const;
  void writeBindings(const nlohmann::json& bindings) const;

  TemporaryDirectory directory;
  VirtualDesk desk;
  ScriptedReceivers receivers{desk};

 private:
  struct Log {
    std::mutex lock;
    std::vector<std::string> lines;
  };

  static std::shared_ptr<Engine> makeEngine(EngineHarness& harness, const HarnessTimings& timings);

  std::shared_ptr<Log> log_ = std::make_shared<Log>();
  std::shared_ptr<ManualMainExecutor> main_ = std::make_shared<ManualMainExecutor>();
  EngineThread thread_{"test.engine"};
  std::shared_ptr<Engine> engine_;
  EngineFacade facade_{engine_, main_};
  std::vector<EngineEvent> events_;
};

}  // namespace flitbar::testing
