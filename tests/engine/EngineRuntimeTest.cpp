#include "engine/EngineTask.h"
#include "engine/SerialWorker.h"
#include "engine/ShellQueue.h"
#include "engine/SystemShellExecutor.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>

#include <csignal>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <thread>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;

// Runs `body` as a coroutine on a single-threaded context until everything finishes. Callers declare
// the context before the worker or queue under test, whose threads must be joined before it goes.
void runOnEngine(asio::io_context& engine, asio::awaitable<void> body) {
  std::exception_ptr failure;
  asio::co_spawn(engine, std::move(body), [&](std::exception_ptr error) { failure = error; });
  engine.run();
  if (failure) std::rethrow_exception(failure);
}

TEST(SerialWorker, RunsJobsInOrderOffTheEngineThreadAndResumesOnIt) {
  asio::io_context engine;
  SerialWorker worker("test.hid");
  std::vector<int> order;
  std::promise<void> release;
  auto released = release.get_future();
  bool engineFree = false;
  runOnEngine(engine, [&]() -> asio::awaitable<void> {
    const auto engineThread = std::this_thread::get_id();
    EXPECT_NE(co_await worker.perform([] { return std::this_thread::get_id(); }), engineThread);
    EXPECT_EQ(std::this_thread::get_id(), engineThread);
    EXPECT_THROW(co_await worker.perform([]() -> int { throw std::runtime_error("device gone"); }), std::runtime_error);
    // A job blocked until the engine runs something else: the engine must stay free meanwhile,
    // and the next job waits for the blocked one.
    const auto executor = co_await asio::this_coro::executor;
    asio::co_spawn(
        executor,
        [&]() -> asio::awaitable<void> {
          co_await worker.perform([&] {
            engineFree = released.wait_for(20s) == std::future_status::ready;
            order.push_back(1);
          });
        },
        asio::detached);
    asio::co_spawn(
        executor, [&]() -> asio::awaitable<void> { co_await worker.perform([&] { order.push_back(2); }); },
        asio::detached);
    asio::co_spawn(
        executor,
        [&]() -> asio::awaitable<void> {
          release.set_value();
          co_return;
        },
        asio::detached);
  }());
  EXPECT_TRUE(engineFree);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

// Blocks "first" until "second" has run, so the two must run at the same time.
class RendezvousExecutor : public ShellExecuting {
 public:
  ShellResult execute(const std::string& command, const Environment&, const ShouldCancel&) override {
    if (command == "second") {
      secondRan_.set_value();
      return ShellResult::exited(0);
    }
    return secondStarted_.wait_for(20s) == std::future_status::ready ? ShellResult::exited(0) : ShellResult::exited(1);
  }

 private:
  std::promise<void> secondRan_;
  std::shared_future<void> secondStarted_ = secondRan_.get_future().share();
};

TEST(ShellQueue, ALaterCommandNeverWaitsForAnEarlierOneAndResultsComeBackOnTheEngine) {
  asio::io_context engine;
  ShellQueue queue(std::make_shared<RendezvousExecutor>());
  std::vector<ShellResult> results;
  runOnEngine(engine, [&]() -> asio::awaitable<void> {
    const auto executor = co_await asio::this_coro::executor;
    for (const char* command : {"first", "second"}) {
      asio::co_spawn(
          executor,
          [&, command]() -> asio::awaitable<void> {
            const auto thread = std::this_thread::get_id();
            results.push_back(co_await queue.run(command));
            EXPECT_EQ(std::this_thread::get_id(), thread);
          },
          asio::detached);
    }
    co_return;
  }());
  EXPECT_EQ(results, (std::vector<ShellResult>{ShellResult::exited(0), ShellResult::exited(0)}));
}

TEST(ShellQueue, CancellingTheTaskEndsTheRunningCommand) {
  TemporaryDirectory directory;
  const auto started = directory / "started";
  asio::io_context engine;
  ShellQueue queue(std::make_shared<SystemShellExecutor>());
  std::optional<ShellResult> result;
  runOnEngine(engine, [&]() -> asio::awaitable<void> {
    // Named, so its captures outlive the coroutine it starts.
    const auto body = [&]() -> asio::awaitable<void> {
      result = co_await queue.run("touch " + started.string() + "; sleep 100");
    };
    const auto task = EngineTask::spawn(co_await asio::this_coro::executor, body(), {});
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!std::filesystem::exists(started) && std::chrono::steady_clock::now() < deadline) co_await sleepFor(1ms);
    EXPECT_TRUE(std::filesystem::exists(started));
    task.cancel();
    co_await task.completion();
  }());
  EXPECT_EQ(result, ShellResult::signalled(SIGTERM));
}

}  // namespace
}  // namespace flitbar::testing
