#pragma once

#include "engine/CancelFlag.h"
#include "engine/ShellExecuting.h"

#include <asio/associated_cancellation_slot.hpp>
#include <asio/associated_executor.hpp>
#include <asio/async_result.hpp>
#include <asio/awaitable.hpp>
#include <asio/post.hpp>
#include <asio/use_awaitable.hpp>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace flitbar {

// Runs shell-command bindings away from the engine and its HID worker: every command gets a
// thread of its own, so a long command never delays device I/O and presses never wait for an
// earlier command.
//
// `run` may be awaited from any executor and resumes there. Cancelling the awaiting coroutine
// reaches the command through the executor's `shouldCancel`. The destructor joins every command's
// thread, so destroy the queue before the executors its callers resume on, and only once every
// command has ended or been cancelled (the engine's stop cancels and awaits its action tasks).
class ShellQueue {
 public:
  explicit ShellQueue(std::shared_ptr<ShellExecuting> executor) : executor_(std::move(executor)) {}
  ~ShellQueue() {
    std::lock_guard guard(lock_);
    for (Runner& runner : runners_) runner.thread.join();
  }
  ShellQueue(const ShellQueue&) = delete;
  ShellQueue& operator=(const ShellQueue&) = delete;

  asio::awaitable<ShellResult> run(std::string command) {
    return asio::async_initiate<decltype(asio::use_awaitable), void(ShellResult)>(
        [this](auto handler, std::string text) {
          auto cancelled = std::make_shared<CancelFlag>();
          auto slot = asio::get_associated_cancellation_slot(handler);
          if (slot.is_connected()) slot.assign([cancelled](asio::cancellation_type) { cancelled->cancel(); });
          auto resume = asio::get_associated_executor(handler);
          auto finished = std::make_shared<std::atomic<bool>>(false);
          std::thread thread([shell = executor_, cancelled, finished, text = std::move(text),
                              handler = std::move(handler), resume]() mutable {
            ShellResult result = shell->execute(text, [cancelled] { return cancelled->isCancelled(); });
            asio::post(resume, [handler = std::move(handler), result = std::move(result)]() mutable {
              std::move(handler)(std::move(result));
            });
            finished->store(true);
          });
          std::lock_guard guard(lock_);
          joinFinished();
          runners_.push_back(Runner{std::move(thread), std::move(finished)});
        },
        asio::use_awaitable, std::move(command));
  }

 private:
  struct Runner {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };

  // Keeps the list from growing with every command. Called with `lock_` held.
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
