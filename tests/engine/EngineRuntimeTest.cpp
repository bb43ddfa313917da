#include "engine/CancelFlag.h"
#include "engine/EngineTask.h"
#include "engine/MainExecutor.h"
#include "engine/SerialWorker.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace flitbar {
namespace {

using namespace std::chrono_literals;

// Runs `body` as a coroutine on a fresh single-threaded context until everything finishes.
void runOnEngine(asio::io_context& context, asio::awaitable<void> body) {
  std::exception_ptr failure;
  asio::co_spawn(context, std::move(body), [&](std::exception_ptr error) { failure = error; });
  context.run();
  if (failure) std::rethrow_exception(failure);
}

TEST(SerialWorker, RunsJobsOffTheEngineThreadAndResumesOnIt) {
  asio::io_context engine;
  SerialWorker worker("test.hid");
  const auto engineThread = std::this_thread::get_id();
  runOnEngine(engine, [&]() -> asio::awaitable<void> {
    const auto jobThread = co_await worker.perform([] { return std::this_thread::get_id(); });
    EXPECT_NE(jobThread, engineThread);
    EXPECT_EQ(std::this_thread::get_id(), engineThread);

    bool ran = false;
    co_await worker.perform([&ran] { ran = true; });
    EXPECT_TRUE(ran);

    EXPECT_THROW(co_await worker.perform([]() -> int { throw std::runtime_error("device gone"); }),
                 std::runtime_error);
    EXPECT_EQ(co_await worker.perform([] { return std::string("still serving"); }), "still serving");
  }());
}

TEST(SerialWorker, KeepsSubmissionOrderAndLeavesTheEngineFreeMeanwhile) {
  asio::io_context engine;
  SerialWorker worker("test.hid");
  std::vector<int> order;
  std::atomic<bool> release{false};
  bool engineRanWhileBlocked = false;

  asio::co_spawn(engine, [&]() -> asio::awaitable<void> {
    co_await worker.perform([&] {
      while (!release) std::this_thread::sleep_for(1ms);
      order.push_back(1);
    });
  }, asio::detached);
  asio::co_spawn(engine, [&]() -> asio::awaitable<void> {
    co_await worker.perform([&] { order.push_back(2); });
  }, asio::detached);
  asio::co_spawn(engine, [&]() -> asio::awaitable<void> {
    engineRanWhileBlocked = true;
    release = true;
    co_return;
  }, asio::detached);
  engine.run();

  EXPECT_TRUE(engineRanWhileBlocked);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(EngineTask, CancelEndsASleepEarlyAndCompletionCanBeAwaited) {
  asio::io_context engine;
  std::vector<std::string> events;
  runOnEngine(engine, [&]() -> asio::awaitable<void> {
    const auto executor = co_await asio::this_coro::executor;
    // Captureless so that the coroutine frame owns everything it uses after the statement ends.
    auto sleeper = [](std::vector<std::string>& log) -> asio::awaitable<void> {
      log.push_back("sleeping");
      co_await sleepFor(1h);
      log.push_back(co_await taskCancelled() ? "cancelled" : "woke");
    };
    auto task = EngineTask::spawn(executor, sleeper(events), [&](std::exception_ptr) { events.push_back("error"); });

    co_await sleepFor(1ms);
    EXPECT_FALSE(task.finished());
    task.cancel();
    co_await task.completion();
    EXPECT_TRUE(task.finished());
    co_await task.completion();
  }());
  EXPECT_EQ(events, (std::vector<std::string>{"sleeping", "cancelled"}));
}

TEST(EngineTask, EscapingFailuresAreReportedOnce) {
  asio::io_context engine;
  int reported = 0;
  runOnEngine(engine, [&]() -> asio::awaitable<void> {
    const auto executor = co_await asio::this_coro::executor;
    auto cancelled = EngineTask::spawn(executor, []() -> asio::awaitable<void> {
      co_await sleepFor(1h);
    }(), [&](std::exception_ptr) { ++reported; });
    auto failing = EngineTask::spawn(executor, []() -> asio::awaitable<void> {
      co_await sleepFor(1ms);
      throw std::runtime_error("broken");
    }(), [&](std::exception_ptr) { ++reported; });

    cancelled.cancel();
    co_await cancelled.completion();
    co_await failing.completion();
    EngineTask empty;
    co_await empty.completion();
  }());
  EXPECT_EQ(reported, 1);
}

TEST(CancelFlagAndMainExecutor, ShareStateAcrossThreadsAndKeepPostingOrder) {
  auto flag = std::make_shared<CancelFlag>();
  std::thread setter([flag] { flag->cancel(); });
  setter.join();
  EXPECT_TRUE(flag->isCancelled());

  ManualMainExecutor main;
  std::vector<int> order;
  std::thread poster([&] {
    for (int index = 0; index < 100; ++index) main.post([&order, index] { order.push_back(index); });
  });
  poster.join();
  main.post([&] { main.post([&] { order.push_back(100); }); });
  EXPECT_EQ(main.drain(), 102);
  ASSERT_EQ(order.size(), 101u);
  for (int index = 0; index <= 100; ++index) EXPECT_EQ(order[static_cast<std::size_t>(index)], index);
}

}  // namespace
}  // namespace flitbar
