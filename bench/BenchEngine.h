#pragma once

#include "engine/Engine.h"
#include "engine/EngineFacade.h"
#include "engine/EngineThread.h"
#include "engine/MainExecutor.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

namespace flitbar::bench {

// An engine on its own thread, stopped when this goes. The bench plays the main thread, so it
// drains the main executor while it waits for a result.
class BenchEngine {
 public:
  BenchEngine(Engine::Parameters parameters, const char* threadName)
      : thread_(threadName), engine_(Engine::create(thread_.executor(), main_, std::move(parameters))) {}
  ~BenchEngine() {
    engine_->stopAndWait(std::chrono::seconds(20));
    main_->drain();
  }
  BenchEngine(const BenchEngine&) = delete;
  BenchEngine& operator=(const BenchEngine&) = delete;

  // Runs one engine operation and waits for its result.
  template <typename Operation>
  auto run(Operation operation) {
    using Result = typename std::invoke_result_t<Operation, Engine&>::value_type;
    std::optional<Result> result;
    EngineFacade(engine_, main_).call(std::move(operation), [&result](Result value) { result = std::move(value); });
    while (!result) {
      main_->drain();
      std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    return *result;
  }

 private:
  std::shared_ptr<ManualMainExecutor> main_ = std::make_shared<ManualMainExecutor>();
  EngineThread thread_;
  std::shared_ptr<Engine> engine_;
};

}  // namespace flitbar::bench
