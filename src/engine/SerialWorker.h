#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/async_result.hpp>
#include <asio/awaitable.hpp>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/use_awaitable.hpp>

#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <variant>

namespace flitbar {

// One thread that runs blocking jobs one at a time, in submission order (the engine's HID worker).
//
// `perform` hands a job to the thread and suspends the awaiting coroutine, which resumes on its own
// executor with the job's result or exception; its executor stays free meanwhile. Jobs must not touch
// the caller's state: they get what they need by value when submitted.
class SerialWorker {
 public:
  // `label` names the thread (cut to the 15 characters Linux keeps).
  explicit SerialWorker(std::string label);
  // Finishes the queued jobs, then joins the thread.
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  const std::string& label() const { return label_; }

  // Runs `job` on the worker; an exception it throws is rethrown to the awaiting coroutine.
  template <typename Job>
  asio::awaitable<std::invoke_result_t<Job>> perform(Job job) {
    using Result = std::invoke_result_t<Job>;
    using Stored = std::conditional_t<std::is_void_v<Result>, std::monostate, Result>;
    std::optional<Stored> value =
        co_await asio::async_initiate<decltype(asio::use_awaitable), void(std::exception_ptr, std::optional<Stored>)>(
            [this](auto handler, Job work) {
              auto resume = asio::get_associated_executor(handler);
              asio::post(context_, [work = std::move(work), handler = std::move(handler), resume]() mutable {
                std::exception_ptr error;
                std::optional<Stored> outcome;
                try {
                  if constexpr (std::is_void_v<Result>) {
                    work();
                    outcome.emplace();
                  } else {
                    outcome.emplace(work());
                  }
                } catch (...) {
                  error = std::current_exception();
                }
                // Moved, not copied: the awaiting thread alone then owns the error and frees it.
                asio::post(resume,
                           [handler = std::move(handler), error = std::move(error),
                            outcome = std::move(outcome)]() mutable { std::move(handler)(error, std::move(outcome)); });
              });
            },
            asio::use_awaitable, std::move(job));
    if constexpr (!std::is_void_v<Result>) co_return std::move(*value);
  }

  // Queues a job without waiting for it.
  template <typename Job>
  void post(Job job) {
    asio::post(context_, std::move(job));
  }

 private:
  std::string label_;
  asio::io_context context_;
  asio::executor_work_guard<asio::io_context::executor_type> keepAlive_;
  std::thread thread_;
};

}  // namespace flitbar
