#pragma once

#include "engine/CancelFlag.h"
#include "engine/ShellExecuting.h"

#include <asio/associated_cancellation_slot.hpp>
#include <asio/associated_executor.hpp>
#include <asio/async_result.hpp>
#include <asio/awaitable.hpp>
#include <asio/post.hpp>
#include <asio/use_awaitable.hpp>

#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace flitbar {

// Runs shell-command bindings away from the engine and its HID worker: every command gets a
// thread of its own, so a long command never delays device I/O and presses never wait for an
// earlier command. At most `maximumRunning` commands run at once; a further one is not started
// and reports `tooManyRunning` as its launch error.
//
// `run` may be awaited from any executor and resumes there; the process environment is taken on
// the calling thread, so the command threads never read it. Cancelling the awaiting coroutine
// reaches the command through the executor's `shouldCancel`. The destructor cancels every command
// still running (the executor ends it: SIGTERM, then SIGKILL) and joins its thread, so destroy
// the queue before the executors its callers resume on.
class ShellQueue {
 public:
  static constexpr std::size_t maximumRunning = 4;
  static constexpr const char* tooManyRunning = "four commands are already running";

  explicit ShellQueue(std::shared_ptr<ShellExecuting> executor) : executor_(std::move(executor)) {}
  ~ShellQueue() {
    std::lock_guard guard(lock_);
    for (Runner& runner : runners_) runner.cancelled->cancel();
    for (Runner& runner : runners_) runner.thread.join();
  }
  ShellQueue(const ShellQueue&) = delete;
  ShellQueue& operator=(const ShellQueue&) = delete;

  asio::awaitable<ShellResult> run(std::string command) {
    return asio::async_initiate<decltype(asio::use_awaitable), void(ShellResult)>(
        [this](auto handler, std::string text) {
          auto resume = asio::get_associated_executor(handler);
          std::lock_guard guard(lock_);
          joinFinished();
          if (runners_.size() >= maximumRunning) {
            asio::post(resume, [handler = std::move(handler)]() mutable {
              std::move(handler)(ShellResult::notLaunched(tooManyRunning));
            });
            return;
          }
          auto cancelled = std::make_shared<CancelFlag>();
          auto slot = asio::get_associated_cancellation_slot(handler);
          if (slot.is_connected()) slot.assign([cancelled](asio::cancellation_type) { cancelled->cancel(); });
          auto finished = std::make_shared<std::atomic<bool>>(false);
          std::thread thread([shell = executor_, cancelled, finished, text = std::move(text),
                              environment = processEnvironment(), handler = std::move(handler), resume]() mutable {
            ShellResult result = shell->execute(text, environment, [cancelled] { return cancelled->isCancelled(); });
            asio::post(resume, [handler = std::move(handler), result = std::move(result)]() mutable {
              std::move(handler)(std::move(result));
            });
            finished->store(true);
          });
          runners_.push_back(Runner{std::move(thread), std::move(cancelled), std::move(finished)});
        },
        asio::use_awaitable, std::move(command));
  }

 private:
  struct Runner {
    std::thread thread;
    CancelFlagRef cancelled;
    std::shared_ptr<std::atomic<bool>> finished;
  };

  static ShellExecuting::Environment processEnvironment() {
    ShellExecuting::Environment variables;
    for (char** entry = environ; entry && *entry; ++entry) variables.emplace_back(*entry);
    return variables;
  }

  // Keeps the list to the commands still running. Called with `lock_` held.
  void joinFinished() {
    std::erase_if(runners_, [](Runner& runner) {
      if (!runner.finished->load()) return false;
      runner.thread.join();
      return true;
    });
  }

  std::shared_ptr<ShellExecuting> executor_;
  std::mutex lock_;
  std::vector<Runner> runners_;
};

}  // namespace flitbar
