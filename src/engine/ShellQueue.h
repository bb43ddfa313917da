#pragma once

#include "engine/CancelFlag.h"
#include "engine/ShellExecuting.h"

#include <asio/associated_cancellation_slot.hpp>
#include <asio/associated_executor.hpp>
#include <asio/async_result.hpp>
#include <asio/awaitable.hpp>
#include <asio/post.hpp>
#include <asio/use_awaitable.hpp>

#include <memory>
#include <string>
#include <thread>

namespace flitbar {

// Runs shell-command bindings away from the engine and its HID worker: every command gets a
// thread of its own, so a long command never delays device I/O and presses never wait for an
// earlier command.
//
// `run` may be awaited from any executor and resumes there. Cancelling the awaiting coroutine
// reaches the command through the executor's `shouldCancel`. Whoever owns the awaiting executor
// must await every `run` before destroying it (the engine's stop awaits its action tasks).
class ShellQueue {
public:
  explicit ShellQueue(std::shared_ptr<ShellExecuting> executor) : executor_(std::move(executor)) {}

  asio::awaitable<ShellResult> run(std::string command) {
    return asio::async_initiate<decltype(asio::use_awaitable), void(ShellResult)>(
        [shell = executor_](auto handler, std::string text) {
          auto cancelled = std::make_shared<CancelFlag>();
          auto slot = asio::get_associated_cancellation_slot(handler);
          if (slot.is_connected()) slot.assign([cancelled](asio::cancellation_type) { cancelled->cancel(); });
          auto resume = asio::get_associated_executor(handler);
          std::thread([shell, cancelled, text = std::move(text), handler = std::move(handler), resume]() mutable {
            ShellResult result = shell->execute(text, [cancelled] { return cancelled->isCancelled(); });
            asio::post(resume, [handler = std::move(handler), result = std::move(result)]() mutable {
              std::move(handler)(std::move(result));
            });
          }).detach();
        },
        asio::use_awaitable, std::move(command));
  }

private:
  std::shared_ptr<ShellExecuting> executor_;
};

}  // namespace flitbar
