#include "engine/SerialWorker.h"
#include "engine/ShellQueue.h"
#include "engine/SystemShellExecutor.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>

#include <csignal>
#include <fstream>
#include <future>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;

// Spawns each body on a single-threaded context and runs it until everything finishes. Callers
// declare the context before the worker or queue under test, whose threads must be joined first.
void runOnEngine(asio::io_context& engine, std::vector<std::function<asio::awaitable<void>()>> bodies) {
  for (auto& body : bodies) asio::co_spawn(engine, body(), asio::detached);
  engine.run();
}

TEST(SerialWorker, RunsJobsInOrderOffTheEngineThreadAndResumesOnIt) {
  asio::io_context engine;
  SerialWorker worker("test.hid");
  std::vector<int> order;
  std::promise<void> release;
  auto released = release.get_future();
  bool engineFree = false;
  runOnEngine(engine, {[&]() -> asio::awaitable<void> {
                         const auto engineThread = std::this_thread::get_id();
                         EXPECT_NE(co_await worker.perform([] { return std::this_thread::get_id(); }), engineThread);
                         EXPECT_EQ(std::this_thread::get_id(), engineThread);
                         EXPECT_THROW(co_await worker.perform([]() -> int { throw std::runtime_error("gone"); }),
                                      std::runtime_error);
                       },
                       // Blocks until the engine runs the last body: the engine must stay free meanwhile,
                       // and the next job waits for the blocked one.
                       [&]() -> asio::awaitable<void> {
                         co_await worker.perform([&] {
                           engineFree = released.wait_for(20s) == std::future_status::ready;
                           order.push_back(1);
                         });
                       },
                       [&]() -> asio::awaitable<void> { co_await worker.perform([&] { order.push_back(2); }); },
                       [&]() -> asio::awaitable<void> {
                         release.set_value();
                         co_return;
                       }});
  EXPECT_TRUE(engineFree);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

// Each command notes its start in a file, then sleeps until it is ended.
TEST(ShellQueue, FourCommandsRunAtOnceAFifthIsRefusedAndShuttingDownEndsThem) {
  TemporaryDirectory directory;
  const auto started = directory / "started";
  const auto startedCount = [&started] {
    std::ifstream file(started);
    return std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n');
  };
  asio::io_context engine;
  std::optional<ShellQueue> queue(std::in_place, std::make_shared<SystemShellExecutor>());
  std::vector<ShellResult> results;
  const auto engineThread = std::this_thread::get_id();
  for (int press = 0; press < 5; ++press) {
    asio::co_spawn(
        engine,
        [&]() -> asio::awaitable<void> {
          results.push_back(co_await queue->run("echo >> '" + started.string() + "'; exec sleep 100"));
          EXPECT_EQ(std::this_thread::get_id(), engineThread);
        },
        asio::detached);
  }
  // None of the four waits for an earlier one to end.
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (startedCount() < 4 && std::chrono::steady_clock::now() < deadline) {
    engine.poll();
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(startedCount(), 4);
  // Without ending the commands this would wait for them.
  queue.reset();
  engine.run();

  ASSERT_EQ(results.size(), 5u);
  EXPECT_EQ(results.front(), ShellResult::notLaunched(ShellQueue::tooManyRunning));
  EXPECT_EQ(results.front().failureDescription(), "could not launch: four commands are already running");
  EXPECT_EQ(std::count(results.begin(), results.end(), ShellResult::signalled(SIGTERM)), 4);
}

}  // namespace
}  // namespace flitbar::testing
