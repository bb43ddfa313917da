#pragma once

#include "engine/Engine.h"
#include "engine/MainExecutor.h"

#include <asio/co_spawn.hpp>

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace flitbar {

// Lets main-thread code run engine operations: the operation runs on the engine's executor and
// its result comes back through the MainExecutor.
//
//   facade.call([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); },
//               [](std::optional<SwitchReport> report) { ... });
//
// `operation` is called on the engine's thread with the engine and returns the operation's
// awaitable; give it what it needs by value (it outlives the calling statement). The engine is
// kept alive until the operation ends. `done` may be empty.
class EngineFacade {
  template <typename Result>
  struct Completion {
    using type = std::function<void(Result)>;
  };

 public:
  EngineFacade(std::shared_ptr<Engine> engine, std::shared_ptr<MainExecutor> mainExecutor)
      : engine_(std::move(engine)), mainExecutor_(std::move(mainExecutor)) {}

  Engine& engine() const { return *engine_; }

  template <typename Operation, typename Result = typename std::invoke_result_t<Operation, Engine&>::value_type>
  void call(Operation operation, typename Completion<Result>::type done = {}) const {
    auto work = run<Result>(engine_, std::move(operation));
    if constexpr (std::is_void_v<Result>) {
      asio::co_spawn(engine_->executor(), std::move(work),
                     [main = mainExecutor_, done = std::move(done)](std::exception_ptr) mutable {
                       if (done) main->post(std::move(done));
                     });
    } else {
      asio::co_spawn(engine_->executor(), std::move(work),
                     [main = mainExecutor_, done = std::move(done)](std::exception_ptr, Result result) mutable {
                       if (done) main->post([done = std::move(done), result = std::move(result)] { done(result); });
                     });
    }
  }

 private:
  template <typename Result, typename Operation>
  static asio::awaitable<Result> run(std::shared_ptr<Engine> engine, Operation operation) {
    co_return co_await operation(*engine);
  }

  std::shared_ptr<Engine> engine_;
  std::shared_ptr<MainExecutor> mainExecutor_;
};

template <>
struct EngineFacade::Completion<void> {
  using type = std::function<void()>;
};

}  // namespace flitbar
