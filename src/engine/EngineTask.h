#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/cancellation_signal.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>

namespace flitbar {

// A coroutine started on the engine's executor that its owner can cancel and then await.
//
// Every member must be used on that executor's thread. Cancelling delivers a terminal cancellation
// to the coroutine: a pending sleep ends early and `taskCancelled()` turns true; the task decides
// where to stop. An exception that escapes the task reaches `onError`.
class EngineTask {
public:
  using ErrorHandler = std::function<void(std::exception_ptr)>;

  static EngineTask spawn(const asio::any_io_executor& executor, asio::awaitable<void> body, ErrorHandler onError);

  EngineTask() = default;

  void cancel() const;
  bool finished() const;
  // Returns once the coroutine has ended (at once when it already has, or for an empty handle).
  asio::awaitable<void> completion() const;

private:
  struct State;
  std::shared_ptr<State> state_;
};

// Suspends for `duration`; a cancelled sleep counts as finished.
asio::awaitable<void> sleepFor(std::chrono::nanoseconds duration);

// True once the running coroutine has been asked to cancel.
asio::awaitable<bool> taskCancelled();

}  // namespace flitbar
