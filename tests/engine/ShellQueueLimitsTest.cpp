#include "engine/ShellQueue.h"
#include "engine/SystemShellExecutor.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>

#include <algorithm>
#include <csignal>
#include <optional>

namespace flitbar {
namespace {

TEST(ShellQueueLimits, AFifthCommandIsRefusedAndShuttingDownEndsTheRunningOnes) {
  asio::io_context engine;
  std::optional<ShellQueue> queue(std::in_place, std::make_shared<SystemShellExecutor>());
  std::vector<ShellResult> results;
  for (int press = 0; press < 5; ++press) {
    asio::co_spawn(
        engine, [&]() -> asio::awaitable<void> { results.push_back(co_await queue->run("sleep 100")); },
        asio::detached);
  }
  engine.poll();
  // Without ending the commands this would wait for them.
  queue.reset();
  engine.run();

  ASSERT_EQ(results.size(), 5u);
  EXPECT_EQ(results.front(), ShellResult::notLaunched(ShellQueue::tooManyRunning));
  EXPECT_EQ(results.front().failureDescription(), "could not launch: four commands are already running");
  EXPECT_EQ(std::count(results.begin(), results.end(), ShellResult::signalled(SIGTERM)), 4);
}

}  // namespace
}  // namespace flitbar
