#include "engine/EngineTask.h"
#include "engine/ShellQueue.h"
#include "engine/SystemShellExecutor.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>

#include <csignal>
#include <future>
#include <thread>

namespace flitbar {
namespace {

using namespace std::chrono_literals;

TEST(ShellQueue, RunsOffTheCallersThreadAndResumesOnIt) {
  asio::io_context engine;
  // Declared after the context, so its threads are joined before the context goes.
  ShellQueue queue(std::make_shared<SystemShellExecutor>());
  std::optional<ShellResult> result;
  bool resumedOnEngine = false;
  asio::co_spawn(
      engine,
      [&]() -> asio::awaitable<void> {
        const auto engineThread = std::this_thread::get_id();
        result = co_await queue.run("exit 3");
        resumedOnEngine = std::this_thread::get_id() == engineThread;
      },
      asio::detached);
  engine.run();
  EXPECT_EQ(result, ShellResult::exited(3));
  EXPECT_TRUE(resumedOnEngine);
}

// Blocks "first" until "second" has run, so the two must run at the same time.
class RendezvousExecutor : public ShellExecuting {
 public:
  ShellResult execute(const std::string& command, const Environment&, const ShouldCancel&) override {
    if (command == "second") {
      secondRan_.set_value();
      return ShellResult::exited(0);
    }
    const bool met = secondStarted_.wait_for(10s) == std::future_status::ready;
    return met ? ShellResult::exited(0) : ShellResult::exited(1);
  }

 private:
  std::promise<void> secondRan_;
  std::shared_future<void> secondStarted_ = secondRan_.get_future().share();
};

TEST(ShellQueue, ALaterCommandNeverWaitsForAnEarlierOne) {
  asio::io_context engine;
  ShellQueue queue(std::make_shared<RendezvousExecutor>());
  std::vector<ShellResult> results;
  for (const char* command : {"first", "second"}) {
    asio::co_spawn(
        engine, [&, command]() -> asio::awaitable<void> { results.push_back(co_await queue.run(command)); },
        asio::detached);
  }
  engine.run();
  EXPECT_EQ(results, (std::vector<ShellResult>{ShellResult::exited(0), ShellResult::exited(0)}));
}

TEST(ShellQueue, CancellingTheTaskEndsTheCommand) {
  asio::io_context engine;
  ShellQueue queue(std::make_shared<SystemShellExecutor>());
  std::optional<ShellResult> result;
  // Named, so its captures outlive the coroutine it starts.
  const auto body = [&]() -> asio::awaitable<void> { result = co_await queue.run("sleep 100"); };
  const EngineTask task = EngineTask::spawn(engine.get_executor(), body(), {});
  asio::co_spawn(
      engine,
      [&]() -> asio::awaitable<void> {
        co_await sleepFor(200ms);
        task.cancel();
        co_await task.completion();
      },
      asio::detached);
  engine.run();
  EXPECT_EQ(result, ShellResult::signalled(SIGTERM));
}

}  // namespace
}  // namespace flitbar
