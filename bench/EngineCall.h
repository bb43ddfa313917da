#pragma once

#include "engine/Engine.h"
#include "engine/EngineFacade.h"
#include "engine/MainExecutor.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

namespace flitbar::bench {

// Runs one engine operation and waits for its result. The bench plays the main thread, so it
// drains `main` while it waits.
template <typename Operation>
auto callAndWait(const std::shared_ptr<Engine>& engine, const std::shared_ptr<ManualMainExecutor>& main,
                 Operation operation) {
  using Result = typename std::invoke_result_t<Operation, Engine&>::value_type;
  std::optional<Result> result;
  EngineFacade(engine, main).call(std::move(operation), [&result](Result value) { result = std::move(value); });
  while (!result) {
    main->drain();
    std::this_thread::sleep_for(std::chrono::microseconds(20));
  }
  return *result;
}

}  // namespace flitbar::bench
