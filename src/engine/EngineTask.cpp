#include "engine/EngineTask.h"

#include <asio/bind_cancellation_slot.hpp>
#include <asio/co_spawn.hpp>
#include <asio/redirect_error.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>

namespace flitbar {

struct EngineTask::State {
  explicit State(const asio::any_io_executor& executor) : done(executor, asio::steady_timer::time_point::max()) {}

  asio::cancellation_signal signal;
  asio::steady_timer done;
  bool finished = false;
};

namespace {

// Cancellation is observed where the task checks for it, so awaiting after a cancellation must not
// throw; the flag applies to every coroutine the task awaits.
asio::awaitable<void> observingCancellation(asio::awaitable<void> body) {
  co_await asio::this_coro::throw_if_cancelled(false);
  co_await std::move(body);
}

}  // namespace

EngineTask EngineTask::spawn(const asio::any_io_executor& executor, asio::awaitable<void> body,
                             ErrorHandler onError) {
  EngineTask task;
  task.state_ = std::make_shared<State>(executor);
  asio::co_spawn(executor, observingCancellation(std::move(body)),
                 asio::bind_cancellation_slot(task.state_->signal.slot(),
                                              [state = task.state_, onError = std::move(onError)](std::exception_ptr error) {
                                                state->finished = true;
                                                state->done.cancel();
                                                if (error && onError) onError(error);
                                              }));
  return task;
}

void EngineTask::cancel() const {
  if (state_ && !state_->finished) state_->signal.emit(asio::cancellation_type::terminal);
}

bool EngineTask::finished() const { return !state_ || state_->finished; }

asio::awaitable<void> EngineTask::completion() const {
  if (finished()) co_return;
  const auto state = state_;
  std::error_code ignored;
  co_await state->done.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
}

asio::awaitable<void> sleepFor(std::chrono::nanoseconds duration) {
  asio::steady_timer timer(co_await asio::this_coro::executor, duration);
  std::error_code ignored;
  co_await timer.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
}

asio::awaitable<bool> taskCancelled() {
  const auto state = co_await asio::this_coro::cancellation_state;
  co_return state.cancelled() != asio::cancellation_type::none;
}

}  // namespace flitbar
